#include "app/headless_main.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <cstdio>
#include <unistd.h>

#include "app/binary_input.h"
#include "app/command_line.h"
#include "app/headless_surfaces.h"
#include "app/job_requests.h"
#include "app/job_signals.h"
#include "app/listed_paths.h"
#include "app/progress_line.h"
#include "app/restore_run.h"
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

// What a path that could not be worked on gets on standard error.
std::string unusablePathText(const std::string& path, JobOutcome outcome)
{
    if (outcome == JobOutcome::PathMissing)
        return "tarnwick: " + path + ": no such file or folder";
    if (outcome == JobOutcome::UnsupportedFile)
        return "tarnwick: " + path + ": not a file of a kind Tarnwick compresses";
    return std::string();
}

// The list of --files-from, opened as bytes; null (and said why) when it cannot be read.
std::FILE* openList(const std::string& file)
{
    if (file == "-") {
        readAsBytes(stdin);
        return stdin;
    }
    std::FILE* list = std::fopen(file.c_str(), "rb");
    if (!list)
        std::fprintf(stderr, "tarnwick: %s: cannot read the list\n", file.c_str());
    return list;
}

int runJob(const CommandLine& command)
{
    CommandLine absolute = command;
    // Made absolute before the program's folder becomes the current one.
    absolute.paths = absolutePaths(command.paths);
    const std::string callerFolder = currentFolder();
    std::FILE* list = nullptr;
    if (!command.listFile.empty() && !(list = openList(command.listFile)))
        return 2;
    SetCurrentDirectoryA(programFolder().c_str());
    JobRequest request = commandLineRequest(absolute, loadSettings());

    EngineState state;
    state.options.assign(request.options);
    const bool json = request.report == ReportForm::JsonLines;
    const bool quiet = command.quiet;
    const bool progressShown = isatty(STDERR_FILENO) && !json && !quiet;
    HeadlessSurfaces surfaces(quiet  ? nullptr
                              : json ? stderr
                                     : stdout,
                              progressShown ? stderr : nullptr);
    surfaces.keepLogText(false);
    if (progressShown)
        surfaces.showProgress(std::chrono::milliseconds(250));
    if (json && !quiet)
        surfaces.setJsonStream(stdout);
    PathTally paths;
    std::shared_ptr<ListedPaths> listed;
    if (list) {
        listed = std::make_shared<ListedPaths>(list, command.listEndsWithNul ? '\0' : '\n',
                                               callerFolder);
        request.listed = listed;
        // Said at once: a long list's paths are not kept for the end.
        request.listedPathEnded = [&](const std::string& path, JobOutcome outcome) {
            paths.add(outcome);
            const std::string text = unusablePathText(path, outcome);
            if (!text.empty())
                surfaces.notice(stderr, text);
        };
    }
    state.running = true;
    signalledState = &state;
    installJobSignals(stopOnInterrupt, endOnSignal);
    const std::vector<JobOutcome> outcomes = runProgramJob(surfaces, state, request);
    removeJobSignals();
    signalledState = nullptr;
    surfaces.finishStatusLine();
    if (list && list != stdin)
        std::fclose(list);
    const bool listUnreadable = listed && listed->failed();
    if (listUnreadable)
        std::fprintf(stderr, "tarnwick: %s: cannot read the list\n", command.listFile.c_str());

    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        paths.add(outcomes[i]);
        const std::string text = unusablePathText(command.paths[i], outcomes[i]);
        if (!text.empty())
            std::fprintf(stderr, "%s\n", text.c_str());
    }
    const RunTally tally = surfaces.tally();
    int status = endingSignal ? 128 + endingSignal : exitStatusFor(paths, tally, interrupted);
    if (status == 0 && listUnreadable)
        status = 1;
    const FileProgress progress = surfaces.progress();
    if (interrupted || endingSignal)
        std::fprintf(stderr, "%s\n",
                     stoppedText(progress, progress.allFound ? nullptr
                                           : list            ? "the rest of the list"
                                                             : "the paths not reached")
                         .c_str());
    // The total is the status bar's; said once at the end (the progress line is gone by then).
    if ((paths.done > 0 || list) && !(quiet && json))
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
    case ProgramMode::Restore: {
        const std::string folder = absolutePaths({command.restoreFolder}).front();
        return runRestore(folder, command.json ? stderr : stdout, command.json ? stdout : nullptr);
    }
    case ProgramMode::Headless:
        break;
    }
    return runJob(command);
}
