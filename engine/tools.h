// The external programs the steps run: one row each. The steps, the "Tool not found" lines, the
// record's setup key, --tools and the executables' check all read this table.
#pragma once

#include <string>
#include <vector>

struct Tool {
    const char* shown; // the name the log and --tools show
    // The word the command interpreter is given. It finds the program in any case and with or
    // without ".exe", so one word names it on Windows ("pngcrush.exe") and on Linux (pngcrush).
    const char* command;
    // What makes it print its version first; empty for a program without such a flag, whose
    // usage text names it.
    std::vector<std::string> versionArguments;
    // Runs this tool's steps (with the stand-in steps of steps.h) where it cannot be found.
    const Tool* standIn = nullptr;
};

// The rows (engine/kind_table.cpp) that code outside the table names: the executables' check runs
// upx itself.
extern const Tool upxTool;

// Every tool, in the order the start of a job reports missing ones; a record's setup key lists
// them in this order too.
const std::vector<const Tool*>& allTools();

// Whether the tool stands in for another one (and so runs only in that one's place).
bool isStandIn(const Tool& tool);
