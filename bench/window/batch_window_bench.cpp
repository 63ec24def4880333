// The program's window under Xvfb with a big batch dropped on it, no-op tools doing the work:
// while the job runs, the window must answer a ping within 100 ms; the interface thread's and the
// whole program's cost per file (the same log lines for every file) must be as low late in the
// job as early; and closing the window mid-job must end the program promptly, with no tool left.
// The log pane's memory is printed: the program's growth in resident memory per file.
// Usage: bench_window_batch [FILES]  (or TARNWICK_BENCH_FILES; default 100,000). The window is
// closed three quarters through.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/engine/batch_tree.h"
#include "bench/engine/bench_support.h"
#include "bench/window/window_ping.h"
#include "gui/gui_support.h"
#include "gui/x_client.h"
#include "gui/xdotool.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr double maxRoundTripMs = 100.0;
constexpr double maxLateCost = 1.5;
constexpr double maxCloseSeconds = 1.0;

struct Sample {
    long long files = 0;
    double interfaceCpu = 0; // seconds of the interface thread
    double programCpu = 0;   // seconds of all the program's threads
    double residentMb = 0;
};

long long fileSizeOf(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_size : 0;
}

// utime + stime of a /proc stat file, in seconds.
double cpuOf(const std::string& statFile)
{
    std::ifstream in(statFile);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double user = 0, system = 0;
    // state is field 3; utime and stime are fields 14 and 15.
    for (int number = 3; number <= 15 && fields >> field; ++number) {
        if (number == 14)
            user = std::atof(field.c_str());
        if (number == 15)
            system = std::atof(field.c_str());
    }
    return (user + system) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

double residentMb(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.starts_with("VmRSS:"))
            return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

Sample sample(pid_t pid, const std::string& ticks)
{
    const std::string proc = "/proc/" + std::to_string(pid);
    return Sample{fileSizeOf(ticks), cpuOf(proc + "/task/" + std::to_string(pid) + "/stat"),
                  cpuOf(proc + "/stat"), residentMb(pid)};
}

// Processes still running a program from folder.
int programsRunningFrom(const std::string& folder)
{
    int count = 0;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return -1;
    while (const dirent* entry = ::readdir(proc)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9')
            continue;
        char target[4096];
        const std::string link = std::string("/proc/") + entry->d_name + "/exe";
        const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
        if (length > 0 && std::string(target, length).starts_with(folder + "/"))
            ++count;
    }
    ::closedir(proc);
    return count;
}

pid_t startProgram(const std::string& program, const std::string& display,
                   const std::string& output)
{
    ::setenv("DISPLAY", display.c_str(), 1);
    std::vector<char*> argv{const_cast<char*>(program.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Seconds until pid ends, or negative after limit.
double secondsUntilExit(pid_t pid, Clock::time_point from, std::chrono::seconds limit)
{
    while (Clock::now() - from < limit) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return std::chrono::duration<double>(Clock::now() - from).count();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return -1;
}

double perFile(double Sample::*field, const Sample& from, const Sample& to)
{
    const long long files = to.files - from.files;
    return files > 0 ? (to.*field - from.*field) / files : 0;
}

int pass(bool passed)
{
    std::printf("  %s\n", passed ? "PASS" : "FAIL");
    return passed ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    // Line by line: a long run shows its rows as they come, also into a file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const long long files = batchFileCount(argc, argv, 100000);
    guitest::XvfbServer server;
    const std::string scratch = makeScratch("tarnwick-window-batch");
    if (!server.running() || scratch.empty()) {
        std::printf("window batch: no X server or scratch folder\n");
        return 2;
    }
    std::printf("window batch: writing %lld files in %lld folders...\n", files, files / 100);
    const std::string tools = scratch + "/tools";
    const std::string ticks = scratch + "/ticks";
    const std::vector<std::string> parts = writeBatchTree(scratch + "/tree", files);
    // The last pass counts the files done; every other step is the plain no-op.
    const bool installed =
        installTools(tools, NOOP_PROGRAM) && installTools(scratch + "/ticking", TICK_PROGRAM);
    std::error_code error;
    std::filesystem::copy_file(scratch + "/ticking/pngout", tools + "/pngout",
                               std::filesystem::copy_options::overwrite_existing, error);
    const std::string program =
        privateProgram(TARNWICK_PROGRAM, scratch + "/program",
                       "{\"Copy\":false,\"Full\":true,\"Strip\":true,\"HogSystem\":false}");
    if (parts.empty() || !installed || error || program.empty()) {
        std::printf("window batch: could not write the tree, the tools or the program\n");
        removeScratch(scratch);
        return 2;
    }
    const char* systemPath = std::getenv("PATH");
    ::setenv("PATH", (tools + ":" + (systemPath ? systemPath : "/usr/bin:/bin")).c_str(), 1);
    ::setenv("TARNWICK_BENCH_TICKS", ticks.c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (scratch + "/cache").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (scratch + "/config").c_str(), 1);
    ::unsetenv("COMSPEC");

    const pid_t pid = startProgram(program, server.display(), scratch + "/program.txt");
    const unsigned long window = guitest::XDoTool(server.display()).waitForWindow();
    WindowPing ping(server.display().c_str());
    if (pid <= 0 || window == 0 || !ping.ok() || !ping.answersPings(window)) {
        std::printf("window batch: the window did not show or does not answer pings\n");
        if (pid > 0)
            ::kill(pid, SIGKILL);
        removeScratch(scratch);
        return 2;
    }
    std::vector<double> idle;
    for (int i = 0; i < 200; ++i) {
        idle.push_back(ping.roundTrip(window, std::chrono::milliseconds(2000)));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    guitest::XClient source(server.display());
    const Clock::time_point dropped = Clock::now();
    if (!source.dropUriList(window, 500, 400, guitest::fileUri(scratch + "/tree") + "\r\n")) {
        std::printf("window batch: the drop failed: %s\n", source.lastError.c_str());
        ::kill(pid, SIGKILL);
        removeScratch(scratch);
        return 2;
    }

    // Early: from 5% to 15% of the files; late: from 65% to 75%, where the window is closed.
    const long long marks[] = {files / 20, files * 3 / 20, files * 13 / 20, files * 3 / 4};
    Sample at[4];
    int next = 0;
    std::vector<double> busy;
    long long lastFiles = -1;
    Clock::time_point lastProgress = Clock::now();
    while (next < 4) {
        const double roundTrip = ping.roundTrip(window, std::chrono::milliseconds(5000));
        busy.push_back(roundTrip < 0 ? 5000 : roundTrip);
        const Sample now = sample(pid, ticks);
        while (next < 4 && now.files >= marks[next])
            at[next++] = now;
        if (now.files != lastFiles) {
            lastFiles = now.files;
            lastProgress = Clock::now();
        } else if (Clock::now() - lastProgress > std::chrono::seconds(60)) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const double jobSeconds = std::chrono::duration<double>(Clock::now() - dropped).count();
    if (next < 4) {
        std::printf("window batch: the job stalled at %lld of %lld files\n", lastFiles, files);
        ::kill(pid, SIGKILL);
        removeScratch(scratch);
        return 1;
    }

    const Clock::time_point closing = Clock::now();
    source.requestClose(window);
    const double closeSeconds = secondsUntilExit(pid, closing, std::chrono::seconds(30));
    if (closeSeconds < 0)
        ::kill(pid, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const int toolsLeft = programsRunningFrom(tools);

    int failures = 0;
    std::printf("window batch: %lld files dropped, %lld done in %.1f s when closed (load %.2f)\n",
                files, at[3].files, jobSeconds, loadAverage());
    const double worst = *std::max_element(busy.begin(), busy.end());
    const auto late =
        std::count_if(busy.begin(), busy.end(), [](double ms) { return ms >= maxRoundTripMs; });
    std::vector<double> sorted = busy;
    std::sort(sorted.begin(), sorted.end());
    std::printf("ping round trip while the job runs: worst %.1f ms, 99th percentile %.1f ms, "
                "median %.2f ms, %ld of %zu at %.0f ms or more\n",
                worst, sorted[sorted.size() * 99 / 100], median(busy), static_cast<long>(late),
                busy.size(), maxRoundTripMs);
    std::printf("  before the drop: worst %.1f ms, median %.2f ms over %zu\n",
                *std::max_element(idle.begin(), idle.end()), median(idle), idle.size());
    std::printf("  target: worst under %.0f ms\n", maxRoundTripMs);
    failures += pass(worst < maxRoundTripMs);

    const double earlyInterface = perFile(&Sample::interfaceCpu, at[0], at[1]);
    const double lateInterface = perFile(&Sample::interfaceCpu, at[2], at[3]);
    const double earlyProgram = perFile(&Sample::programCpu, at[0], at[1]);
    const double lateProgram = perFile(&Sample::programCpu, at[2], at[3]);
    std::printf("interface thread cpu per file: %.1f us early, %.1f us late, ratio %.2f\n",
                earlyInterface * 1e6, lateInterface * 1e6,
                earlyInterface > 0 ? lateInterface / earlyInterface : 0.0);
    std::printf("program cpu per file: %.1f us early, %.1f us late, ratio %.2f\n",
                earlyProgram * 1e6, lateProgram * 1e6,
                earlyProgram > 0 ? lateProgram / earlyProgram : 0.0);
    std::printf("  target: late at most %.1fx early\n", maxLateCost);
    failures += pass(earlyInterface > 0 && lateInterface <= maxLateCost * earlyInterface &&
                     earlyProgram > 0 && lateProgram <= maxLateCost * earlyProgram);

    std::printf("log pane memory: resident %.1f MB at %lld files, %.1f MB at %lld files: "
                "%.0f bytes per file\n",
                at[0].residentMb, at[0].files, at[3].residentMb, at[3].files,
                perFile(&Sample::residentMb, at[0], at[3]) * 1024 * 1024);

    std::printf("close mid-job: the program ended %.3f s after the close request, %d tool(s) "
                "left running\n",
                closeSeconds, toolsLeft);
    std::printf("  target: ended within %.1f s, no tool left\n", maxCloseSeconds);
    failures += pass(closeSeconds >= 0 && closeSeconds <= maxCloseSeconds && toolsLeft == 0);

    std::printf("window batch: %s\n", failures == 0 ? "PASS" : "FAIL");
    if (std::getenv("TARNWICK_BENCH_KEEP"))
        std::printf("window batch: kept %s\n", scratch.c_str());
    else
        removeScratch(scratch);
    return failures == 0 ? 0 : 1;
}
