// Starting a program directly (no shell), hidden: standard streams on /dev/null, own process
// group, ended with this process however it ends (kept_keepers.h, child_start.h).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace posix_process {

struct SpawnRequest {
    std::string path;                                      // the program file to run
    std::vector<std::string> arguments;                    // argv, the first one included
    const std::vector<std::string>* environment = nullptr; // null: the caller's environment
    std::string workingFolder;                             // empty: the caller's current folder
    bool highPriority = false; // lower the child's nice value where allowed
    int input = -1;            // close-on-exec, above 2: the child's standard input; -1: /dev/null
    int output = -1;           // close-on-exec, above 2: its standard output (errors to /dev/null)
    bool errorsToOutput = false; // with output: its errors go there too
};

// Starts the program and registers it among the live children; returns its pid, or -1 with the
// errno value in *error (also when the program itself could not be run: missing, not
// executable, a working folder that is gone).
pid_t spawnProgram(const SpawnRequest& request, int* error);

// The exit code a wait status stands for: its exit code, 128 + the signal number when a signal
// ended it, -1 otherwise.
int exitCodeFromStatus(int status);

} // namespace posix_process
