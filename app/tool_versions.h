// --tools: which optimizers this program would run, where they are and which version they are.
#pragma once

#include <chrono>
#include <string>
#include <vector>

struct ToolReport {
    std::string shown;   // the name the log uses: "exiftool", "pngcrush", "OptiPNG", ...
    std::string command; // the command word the engine starts it by
    std::string path;    // where it was found; empty when missing
    std::string version; // the first line it prints for its version flag; may be empty
    // A missing tool whose steps another program runs instead: that program, where it was found
    // and its version's line. Empty for most.
    std::string standIn = {};
    std::string standInPath = {};
    std::string standInVersion = {};
};

// Looks up every optimizer the way the engine does (the current folder first, then PATH) and
// asks each one found for its version, waiting at most limit for each. A missing tool whose steps
// another program runs instead names that program, its place and its version.
std::vector<ToolReport> findTools(std::chrono::milliseconds limit);

// The first non-blank line (trimmed) that program prints on standard output or standard error
// when run with arguments; empty when it cannot be started or prints nothing within limit
// (it is then killed).
std::string firstOutputLine(const std::string& program, const std::vector<std::string>& arguments,
                            std::chrono::milliseconds limit);

// One aligned line per tool: "NAME  PATH  VERSION" or "NAME  missing", which goes on with
// "; OTHER stands in: PATH  VERSION" when another program runs the tool's steps.
std::string toolsText(const std::vector<ToolReport>& tools);
