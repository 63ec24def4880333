#include "app/headless_main.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <unistd.h>

#include "app/command_line.h"
#include "app/headless_surfaces.h"
#include "app/job_requests.h"
#include "app/job_signals.h"
#include "app/run_report.h"
#include "app/settings.h"
#include "app/tool_versions.h"
#include "engine/compression_job.h"
#include "engine/engine_state.h"
#include "platform/win32/base.h"
#include "platform/win32/process.h"

namespace {

// What the signal handlers reach: lock-free atomics only, set while the job runs.
std::atomic<EngineState*> signalledState{nullptr};
std::atomic<bool> interrupted{false};
std::atomic<int> endingSignal{0};
static_assert(std::atomic<EngineState*>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<int>::is_always_lock_free);

// Ctrl-C works like the Stop command: the running tool finishes, the rest is skipped and the
// finish stamp still appears. A second Ctrl-C ends the running tool at once and undoes its
// step; a third ends the program.
bool stopOnInterrupt()
{
    EngineState* state = signalledState.load();
    if (!interrupted.exchange(true)) {
        if (state)
            state->running = false;
        return true;
    }
    if (state)
        state->abortTools = true;
    return false;
}

// TERM and HUP end the job at once: the running tool is ended and its step undone, so the
// files are left whole and no tool runs on after the program.
void endOnSignal(int signal)
{
    endingSignal = signal;
    if (EngineState* state = signalledState.load()) {
        state->running = false;
        state->abortTools = true;
    }
}

int usageError(const std::string& complaint)
{
    std::fprintf(stderr, "tarnwick: %s\n", complaint.c_str());
    std::fputs(usageText().c_str(), stderr);
    return 2;
}

int listTools()
{
    // The engine looks in the program's folder first, so --tools does too.
    SetCurrentDirectoryA(programFolder().c_str());
    const std::string text = toolsText(findTools(std::chrono::milliseconds(3000)));
    std::fputs(text.c_str(), stdout);
    return 0;
}

int runJob(const CommandLine& command)
{
    CommandLine absolute = command;
    // Made absolute before the program's folder becomes the current one.
    absolute.paths = absolutePaths(command.paths);
    SetCurrentDirectoryA(programFolder().c_str());
    const JobRequest request = commandLineRequest(absolute, loadSettings());

    EngineState state;
    state.options.assign(request.options);
    const bool json = request.report == ReportForm::JsonLines;
    const bool statusOnTerminal = isatty(STDERR_FILENO);
    HeadlessSurfaces surfaces(json ? stderr : stdout, statusOnTerminal ? stderr : nullptr);
    surfaces.keepLog(false);
    if (json)
        surfaces.setJsonStream(stdout);
    state.running = true;
    signalledState = &state;
    installJobSignals(stopOnInterrupt, endOnSignal);
    const std::vector<JobOutcome> outcomes = runProgramJob(surfaces, state, request);
    removeJobSignals();
    signalledState = nullptr;
    surfaces.finishStatusLine();

    const RunTally tally = surfaces.tally();
    const int status =
        endingSignal ? 128 + endingSignal : exitStatusFor(outcomes, tally, interrupted);
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        const char* path = command.paths[i].c_str();
        if (outcomes[i] == JobOutcome::PathMissing)
            std::fprintf(stderr, "tarnwick: %s: no such file or folder\n", path);
        if (outcomes[i] == JobOutcome::UnsupportedFile)
            std::fprintf(stderr, "tarnwick: %s: not a file of a kind Tarnwick compresses\n", path);
    }
    // The total is the status bar's; without a terminal to show it on, say it once at the end.
    if (std::find(outcomes.begin(), outcomes.end(), JobOutcome::Done) != outcomes.end() &&
        !statusOnTerminal)
        std::fprintf(stderr, "%s\n", surfaces.statusText(1).c_str());
    if (json) {
        std::fputs((summaryJson(tally, state.saved(), status) + "\n").c_str(), stdout);
        std::fflush(stdout);
    }
    return status;
}

} // namespace

int headlessMain(const CommandLine& command)
{
    switch (command.mode) {
    case ProgramMode::Help:
        std::fputs(usageText().c_str(), stdout);
        return 0;
    case ProgramMode::Version:
        std::fputs("Tarnwick 6.1\n", stdout);
        return 0;
    case ProgramMode::Tools:
        return listTools();
    case ProgramMode::UsageError:
        return usageError(command.complaint);
    case ProgramMode::Window:
        if (!command.opened) {
            std::fputs(usageText().c_str(), stderr);
            return 2;
        }
        return usageError("--open needs the window, and this build has none");
    case ProgramMode::Headless:
        break;
    }
    return runJob(command);
}
