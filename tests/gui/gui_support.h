// Helpers for the window tests: a private X server, child programs, temporary folders and
// polling waits.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

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

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return folder; }
    std::string file(const std::string& name) const { return folder + "/" + name; }

private:
    std::string folder;
};

bool writeFile(const std::string& path, const std::string& content, bool executable = false);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);
long long fileSize(const std::string& path);

// Polls until done returns true or the limit passes; the last result of done.
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit,
               std::chrono::milliseconds step = std::chrono::milliseconds(20));

// The folder of the running test program.
std::string ownFolder();

// Where screenshots are kept for people to look at: <build>/artifacts.
std::string artifactsFolder();

} // namespace guitest
