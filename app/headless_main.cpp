#include "app/headless_main.h"

#include <csignal>
#include <cstdio>
#include <unistd.h>

#include "app/command_line.h"
#include "app/headless_surfaces.h"
#include "app/job_signals.h"
#include "app/run_report.h"
#include "app/settings.h"
#include "app/tool_versions.h"
#include "engine/compression_job.h"
#include "engine/engine_state.h"
#include "platform/win32/base.h"
#include "platform/win32/process.h"

namespace {

volatile std::sig_atomic_t interrupted = 0;
volatile std::sig_atomic_t endingSignal = 0;

// Ctrl-C works like the Stop command: the running tool finishes, the rest is skipped and the
// finish stamp still appears. A second Ctrl-C ends the running tool at once and undoes its
// step; a third ends the program.
bool stopOnInterrupt()
{
    if (!interrupted) {
        interrupted = 1;
        compressionRunning = false;
        return true;
    }
    processEngineState().abortTools = true;
    return false;
}

// TERM and HUP end the job at once: the running tool is ended and its step undone, so the
// files are left whole and no tool runs on after the program.
void endOnSignal(int signal)
{
    endingSignal = signal;
    compressionRunning = false;
    processEngineState().abortTools = true;
}

int usageError(const std::string& complaint)
{
    std::fprintf(stderr, "tarnwick: %s\n", complaint.c_str());
    std::fputs(usageText(), stderr);
    return 2;
}

bool isOption(const std::string& argument)
{
    return argument.size() > 1 && argument.front() == '-';
}

int listTools()
{
    // The engine looks in the program's folder first, so --tools does too.
    SetCurrentDirectoryA(programFolder().c_str());
    const std::string text = toolsText(findTools(std::chrono::milliseconds(3000)));
    std::fputs(text.c_str(), stdout);
    return 0;
}

std::int64_t bytesSaved()
{
    MutexLock guard(statusMutex);
    return totalSaved;
}

} // namespace

const char* usageText()
{
    return "Usage: tarnwick PATH\n"
           "       tarnwick --json PATH\n"
           "       tarnwick --open [PATH...]\n"
           "       tarnwick                   (shows the window; drop files or folders on it)\n"
           "       tarnwick --tools | --help | --version\n"
           "\n"
           "Makes the image or executable file PATH, or every file of an enabled kind in the\n"
           "folder PATH and its sub-folders, smaller in place, and prints the log.\n"
           "A relative PATH is taken from the current folder. The options come from the\n"
           "settings file (the defaults when there is none).\n"
           "\n"
           "Options:\n"
           "  --json           one JSON object per file on standard output (path, size_before,\n"
           "                   size_after, steps, status), then one with the totals (files,\n"
           "                   processed, skipped, stopped, failed, bytes_saved, exit_status);\n"
           "                   the log goes to standard error\n"
           "  --open PATH...   shows the window and compresses each PATH in it, one after\n"
           "                   another, as if it had been dropped on it\n"
           "  --tools          lists the optimizers: where each was found (the program's\n"
           "                   folder first, then PATH) and its version, or missing (for\n"
           "                   pngout, with zopflipng, which stands in for it)\n"
           "  --help           shows this text\n"
           "  --version        shows the version\n"
           "\n"
           "Exit status:\n"
           "  0     every file was processed\n"
           "  1     a file could not be processed, or the backup of the originals failed\n"
           "  2     PATH does not exist or is of no supported kind, or a wrong command line\n"
           "  130   stopped by Ctrl-C (the running step finishes first; a second Ctrl-C ends\n"
           "        the running tool and undoes its step)\n"
           "  143   ended by SIGTERM (129 by SIGHUP): the running tool is ended, its step\n"
           "        undone, and the files are left whole\n"
           "\n"
           "Every step's result replaces the file only when it is smaller and the same image\n"
           "(pixels, colour profile, orientation); otherwise the log says why it was undone.\n"
           "A tool may run for 2 minutes plus 1 minute per megabyte of the file; past that it\n"
           "is ended and its step undone.\n"
           "\n"
           "Settings file:\n"
           "  Tarnwick.config next to the program when its folder is writable, otherwise\n"
           "  $XDG_CONFIG_HOME/tarnwick/Tarnwick.config (by default ~/.config/tarnwick/).\n";
}

int headlessMain(const std::vector<std::string>& arguments)
{
    if (arguments.empty()) {
        std::fputs(usageText(), stderr);
        return 2;
    }
    const std::string& first = arguments.front();
    if (first == "--help") {
        std::fputs(usageText(), stdout);
        return 0;
    }
    if (first == "--version") {
        std::fputs("Tarnwick 6.1\n", stdout);
        return 0;
    }
    if (first == "--tools")
        return listTools();
    if (first == "--open")
        return usageError("--open needs the window, and this build has none");

    const bool json = first == "--json";
    std::size_t next = json ? 1 : 0;
    if (next < arguments.size() && arguments[next] == "--")
        ++next;
    else if (next < arguments.size() && isOption(arguments[next]))
        return usageError("unknown option " + arguments[next]);
    if (next >= arguments.size())
        return usageError("no PATH given");
    const std::vector<std::string> given(arguments.begin() + static_cast<std::ptrdiff_t>(next),
                                         arguments.end());
    // Made absolute before the program's folder becomes the current one.
    const std::vector<std::string> paths = absolutePaths(given);

    SetCurrentDirectoryA(programFolder().c_str());
    loadSettings();
    resetTotalSaved();

    const bool statusOnTerminal = isatty(STDERR_FILENO);
    HeadlessSurfaces surfaces(json ? stderr : stdout, statusOnTerminal ? stderr : nullptr);
    if (json)
        surfaces.setJsonStream(stdout);
    compressionRunning = true;
    installJobSignals(stopOnInterrupt, endOnSignal);
    const JobOutcome outcome = runRecordedCompressionJob(surfaces, paths);
    removeJobSignals();
    surfaces.finishStatusLine();

    const RunTally tally = surfaces.tally();
    const int status =
        endingSignal ? 128 + endingSignal : exitStatusFor(outcome, tally, interrupted != 0);
    const std::string& path = given.front();
    if (outcome == JobOutcome::PathMissing)
        std::fprintf(stderr, "tarnwick: %s: no such file or folder\n", path.c_str());
    if (outcome == JobOutcome::UnsupportedFile)
        std::fprintf(stderr, "tarnwick: %s: not a file of a kind Tarnwick compresses\n",
                     path.c_str());
    // The total is the status bar's; without a terminal to show it on, say it once at the end.
    if (outcome == JobOutcome::Done && !statusOnTerminal)
        std::fprintf(stderr, "%s\n", surfaces.statusText(1).c_str());
    if (json) {
        std::fputs((summaryJson(tally, bytesSaved(), status) + "\n").c_str(), stdout);
        std::fflush(stdout);
    }
    return status;
}
