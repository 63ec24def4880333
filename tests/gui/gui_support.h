// Helpers for the window tests: a private X server, child programs and files. Temporary folders
// and waits come from tests/support.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/temp_folder.h"
#include "support/waiting.h"

namespace guitest {

// An Xvfb server of this test program's own: started with -noreset -displayfd (so it is ready
// when the constructor returns), stopped by its process id.
class XvfbServer {
public:
    XvfbServer();
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool running() const { return pid > 0 && !name.empty(); }
    // ":N"
    const std::string& display() const { return name; }

private:
    pid_t pid = -1;
    std::string name;
};

struct CommandResult {
    int exitStatus = -1;
    std::string out;
};

// Runs argv (argv[0] looked up on PATH) with DISPLAY set to display and waits for it; standard
// output is collected, standard error goes to the test's.
CommandResult runCommand(const std::vector<std::string>& argv, const std::string& display);

// A program started in the background, with its standard error kept in a file.
class ChildProgram {
public:
    // display empty: started without DISPLAY.
    ChildProgram(const std::string& program, const std::vector<std::string>& arguments,
                 const std::string& display, const std::string& errorFile);
    // Kills the program if it is still running.
    ~ChildProgram();
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    // Waits for the program to end; its exit status, or -1 if it did not end in time (or was
    // killed by a signal).
    int wait(std::chrono::milliseconds limit);
    bool finished();

private:
    pid_t pid = -1;
    int status = -1;
    bool done = false;
};

// Writes an executable file (a fake tool), creating the folders above it.
bool writeProgram(const std::string& path, const std::string& content);
bool fileExists(const std::string& path);
long long fileSize(const std::string& path);

// The folder of the running test program.
std::string ownFolder();

// Where screenshots are kept for people to look at: <build>/artifacts.
std::string artifactsFolder();

} // namespace guitest
