// How the engine starts a tool: an interface, so tests and benchmarks can run jobs with a runner
// of their own. The real one hands the command to the command interpreter, as runCommand does.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

// One tool run: the command (the program, then its arguments quoted for the interpreter), its
// priority, how long it may take and what ends it early.
struct ToolRun {
    std::string command;
    bool highPriority = false;
    std::chrono::milliseconds timeLimit{0};   // 0: no limit
    const std::atomic<bool>* abort = nullptr; // set: end the tool at once
};

enum class RunEnd {
    Finished,   // the tool ended by itself; code is its exit code
    TimedOut,   // ended by us when its time limit passed
    Aborted,    // ended by us when abort was set
    NotStarted, // code is the system error code
};

struct RunOutcome {
    RunEnd end = RunEnd::Finished;
    std::int32_t code = 0;
};

class ToolRunner {
public:
    virtual ~ToolRunner() = default;

    // Runs the tool hidden and waits for it (and everything it started, when it must be ended).
    virtual RunOutcome run(const ToolRun& tool) = 0;

    // Whether the interpreter would find program (current folder first, then the search path).
    virtual bool canFind(const std::string& program) = 0;

    // Where program would be found, or empty; by default its name when it can be found.
    virtual std::string locate(const std::string& program)
    {
        return canFind(program) ? program : std::string();
    }

    // The calling thread runs no more tools for this job: what the runner keeps open for it
    // can end now (a thread's tools must not outlive it).
    virtual void threadFinished() {}
};

// The command interpreter, as runCommand uses it, and its own program lookup.
class InterpreterRunner : public ToolRunner {
public:
    RunOutcome run(const ToolRun& tool) override;
    bool canFind(const std::string& program) override;
    std::string locate(const std::string& program) override;
};
