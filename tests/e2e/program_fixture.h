// A private copy of the program in a temporary folder, so that its folder (where it reads its
// settings and looks for tools first) belongs to the test alone.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/run_program.h"
#include "support/temp_folder.h"

class ProgramTest : public ::testing::Test {
protected:
    ProgramTest();

    // Runs the copy with arguments from folder (default: the temporary folder itself).
    ProgramRun run(const std::vector<std::string>& arguments, const std::string& folder = "");
    // The same, killed (and marked timedOut) when it runs longer than seconds.
    ProgramRun runWithin(int seconds, const std::vector<std::string>& arguments,
                         const std::string& folder = "");

    std::string programFolder() const { return temp.file("program"); }
    std::string settingsFile() const { return programFolder() + "/Tarnwick.config"; }

    TempFolder temp;
};

// The full path of a program found along PATH, or empty.
std::string findOnPath(const std::string& name);

// Lines of text split at "\n" (the last, unterminated piece included when not empty).
std::vector<std::string> splitLines(const std::string& text);

// True when line is "<prefix>MM/DD/YYYY HH:MM:SS AM" or "... PM".
bool isStampLine(const std::string& line, const std::string& prefix);
