// Keeps one exiftool per thread open for a whole job and hands it one file at a time: starting
// exiftool costs far more than stripping a small image. Every other command, and any exiftool
// command it cannot hand over exactly, goes to the wrapped runner unchanged. It reaches the system
// only through platform/kept_tool.h, which only Linux has so far.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/command_runner.h"

// One argument as a line exiftool's argument file gives back exactly, or nothing when no line
// does (exiftool's escaped lines add a backslash before "$" and "@").
std::optional<std::string> argumentFileLine(const std::string& argument);

class ExiftoolSessionRunner : public ToolRunner {
public:
    explicit ExiftoolSessionRunner(ToolRunner& wrapped);
    // Ends every session still open.
    ~ExiftoolSessionRunner() override;
    ExiftoolSessionRunner(const ExiftoolSessionRunner&) = delete;
    ExiftoolSessionRunner& operator=(const ExiftoolSessionRunner&) = delete;

    // An exiftool command goes to the calling thread's session (started when needed): the same
    // arguments, and the same outcome as a run of its own. A session that dies hands that file
    // to the wrapped runner; one that runs past the time limit or is aborted is ended, and the
    // next file starts a new one. A file that asks for another program, current folder or
    // priority than the session has also gets a new one.
    RunOutcome run(const ToolRun& tool) override;
    bool canFind(const std::string& program) override { return wrapped.canFind(program); }
    std::string locate(const std::string& program) override { return wrapped.locate(program); }
    // Ends the calling thread's session.
    void threadFinished() override;

    // How many exiftool processes the sessions started.
    int sessionsStarted() const { return started; }

private:
    struct Session;
    struct Handover {
        std::string program; // the file the interpreter would run
        std::string folder;  // the current folder, which relative paths start from
        std::string lines;   // the arguments, one line each
    };

    std::optional<Handover> handoverFor(const std::string& command);
    bool speaksSessions(const std::string& program);
    Session& thisThreadsSession();
    RunOutcome runInSession(Session& session, const Handover& handover, const ToolRun& tool,
                            bool* fellOver);

    ToolRunner& wrapped;
    std::mutex mutex; // guards the two maps
    std::map<std::thread::id, std::unique_ptr<Session>> sessions;
    std::map<std::string, bool> sessionPrograms; // program -> whether it keeps sessions
    std::atomic<int> started{0};
};
