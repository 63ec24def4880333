// What the engine's kept-open tools need of the system, with no system's names in it: a tool
// kept running between files and talked to through its standard input and output, and the
// interpreter's own reading of a command. Linux: platform/posix/process/kept_tool.cpp.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class KeptTool {
public:
    KeptTool();
    // Kills what still runs and waits for it.
    ~KeptTool();
    KeptTool(const KeptTool&) = delete;
    KeptTool& operator=(const KeptTool&) = delete;

    // Starts program with arguments (argv, the program's own name first) like every tool:
    // hidden, in a group of its own, ended with the thread that started it and never outliving
    // this program. False when it did not run.
    bool start(const std::string& program, const std::vector<std::string>& arguments,
               bool highPriority);
    bool running() const;

    // Writes all of text to its input; false when it no longer reads it.
    bool send(std::string_view text);

    enum class Read {
        line,    // *line holds the next line of its output, without the newline
        waiting, // no whole line arrived within the wait
        closed,  // its output ended: it is gone
    };
    Read readLine(std::string* line, std::chrono::milliseconds wait);

    // Closes its input, waits up to grace for it to end, then kills it; returns its exit code,
    // -1 when it was not running.
    int finish(std::chrono::milliseconds grace);
    // Kills it and everything it started at once.
    void kill();

private:
    struct Process;
    std::unique_ptr<Process> process;
};

// The words of a command line as the command interpreter splits them (its quoting rules).
std::vector<std::string> commandWords(std::string_view command);

// Where the interpreter would find program when folder is the current folder: folder first,
// then PATH, names in any case and with or without ".exe". False when it is not found.
bool findProgramFrom(const std::string& program, const std::string& folder, std::string* path);
