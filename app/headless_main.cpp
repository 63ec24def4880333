#include "app/headless_main.h"

#include <csignal>
#include <cstdio>
#include <unistd.h>

#include "app/headless_surfaces.h"
#include "app/settings.h"
#include "engine/compression_job.h"
#include "engine/engine_state.h"
#include "platform/win32/base.h"
#include "platform/win32/process.h"

namespace {

// Ctrl-C works like the Stop command: the running tool finishes, the rest is skipped and the
// finish stamp still appears. A second Ctrl-C ends the program at once.
extern "C" void stopOnInterrupt(int)
{
    compressionRunning = false;
    std::signal(SIGINT, SIG_DFL);
}

} // namespace

const char* usageText()
{
    return "Usage: tarnwick PATH\n"
           "       tarnwick                   (shows the window; drop files or folders on it)\n"
           "       tarnwick --help | --version\n"
           "\n"
           "Makes the image or executable file PATH, or every file of an enabled kind in the\n"
           "folder PATH and its sub-folders, smaller in place, and prints the log.\n"
           "A relative PATH is taken from the program's folder. The options come from\n"
           "Tarnwick.config next to the program (the defaults when there is none).\n";
}

int headlessMain(const std::vector<std::string>& arguments)
{
    if (arguments.empty()) {
        std::fputs(usageText(), stderr);
        return 2;
    }
    if (arguments.front() == "--help") {
        std::fputs(usageText(), stdout);
        return 0;
    }
    if (arguments.front() == "--version") {
        std::fputs("Tarnwick 6.1\n", stdout);
        return 0;
    }

    SetCurrentDirectoryA(programFolder().c_str());
    loadSettings();
    resetTotalSaved();

    const bool statusOnTerminal = isatty(STDERR_FILENO);
    HeadlessSurfaces surfaces(stdout, statusOnTerminal ? stderr : nullptr);
    compressionRunning = true;
    std::signal(SIGINT, stopOnInterrupt);
    const JobOutcome outcome = runCompressionJob(surfaces, arguments);
    std::signal(SIGINT, SIG_DFL);
    surfaces.finishStatusLine();

    const std::string& path = arguments.front();
    if (outcome == JobOutcome::PathMissing) {
        std::fprintf(stderr, "tarnwick: %s: no such file or folder\n", path.c_str());
        return 2;
    }
    if (outcome == JobOutcome::UnsupportedFile) {
        std::fprintf(stderr, "tarnwick: %s: not a file of a kind Tarnwick compresses\n",
                     path.c_str());
        return 2;
    }
    // The total is the status bar's; without a terminal to show it on, say it once at the end.
    if (outcome == JobOutcome::Done && !statusOnTerminal)
        std::fprintf(stderr, "%s\n", surfaces.statusText(1).c_str());
    return 0;
}
