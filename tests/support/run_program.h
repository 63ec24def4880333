// Runs a program as a child process and collects what it printed and how it ended.
#pragma once

#include <string>
#include <vector>

struct ProgramRun {
    int exitStatus = -1;   // -1 when it did not exit normally
    bool timedOut = false; // it was killed for running past its time
    std::string out;
    std::string err;
};

// Runs program with arguments (program is argv[0]) in folder (empty: the current one), with
// standard input from /dev/null, and waits for it; with seconds above zero, a program still
// running after that long is killed and marked timedOut.
ProgramRun runProgramWithin(int seconds, const std::string& program,
                            const std::vector<std::string>& arguments,
                            const std::string& folder = "");

// The same, with no time limit.
inline ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments,
                             const std::string& folder = "")
{
    return runProgramWithin(0, program, arguments, folder);
}
