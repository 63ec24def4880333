// How the engine starts a tool: an interface, so tests and benchmarks can run jobs with a runner
// of their own. The real one hands the command to the command interpreter through runCommand.
#pragma once

#include <cstdint>
#include <string>

class ToolRunner {
public:
    virtual ~ToolRunner() = default;

    // Runs a tool command (the program, then its arguments quoted for the interpreter), hidden,
    // and waits for it. Returns its exit code, or the system error code when it could not start.
    virtual std::int32_t run(const std::string& command, bool highPriority) = 0;

    // Whether the interpreter would find program (current folder first, then the search path).
    virtual bool canFind(const std::string& program) = 0;
};

// runCommand with no further arguments, and the interpreter's own program lookup.
class InterpreterRunner : public ToolRunner {
public:
    std::int32_t run(const std::string& command, bool highPriority) override;
    bool canFind(const std::string& program) override;
};

// The runner the window and the headless run use.
ToolRunner& interpreterRunner();
