// The program itself, headless, over a big batch with no-op tools: its peak memory must stay
// under 100 MB and flat from a tenth of the files to all of them, and its time per file must
// stay within 1.5x of a bare loop that spawns the same no-op tool as often per file. The same
// again with the files given as a list (--files-from), where the program has that option.
// Usage: bench_engine_batch [FILES]  (or TARNWICK_BENCH_FILES; default 100,000)
#include <fcntl.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/engine/batch_tree.h"
#include "bench/engine/bench_support.h"

extern char** environ;

namespace {

constexpr double maxPeakMegabytes = 100.0;
constexpr double maxPeakGrowth = 1.25;
constexpr double maxSpawnRatio = 1.5;

struct ProgramRun {
    int exitStatus = -1;
    double seconds = 0;
    double cpuSeconds = 0;
    double peakMegabytes = 0;
    long long filesDone = 0;
};

double seconds(const timeval& time)
{
    return time.tv_sec + time.tv_usec / 1e6;
}

// Runs the program with arguments, its log into logFile, a record of finished files of its own
// under cacheFolder; waits and takes its resource use.
std::string program;

ProgramRun runProgram(const std::vector<std::string>& arguments, const std::string& logFile,
                      const std::string& cacheFolder)
{
    ::setenv("XDG_CACHE_HOME", cacheFolder.c_str(), 1);
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, (logFile + ".err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ProgramRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0)
        ;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    run.peakMegabytes = usage.ru_maxrss / 1024.0;
    // The keepers that ran its tools end with it and come to us (a subreaper): their cpu, and
    // their tools', is the run's too.
    rusage keeperUsage{};
    while (::wait4(-1, &status, 0, &keeperUsage) > 0 || errno == EINTR) {
        run.cpuSeconds += seconds(keeperUsage.ru_utime) + seconds(keeperUsage.ru_stime);
        keeperUsage = rusage{};
    }
    run.filesDone = linesStartingWith(logFile, "Compressing ");
    return run;
}

bool hasOption(const std::string& scratch, const std::string& option)
{
    const std::string helpFile = scratch + "/help.txt";
    runProgram({"--help"}, helpFile, scratch + "/cache-help");
    std::ifstream in(helpFile);
    std::stringstream text;
    text << in.rdbuf();
    return text.str().find(option) != std::string::npos;
}

// Prints one run's row; false when the run did not do every file.
bool printRun(const char* name, const ProgramRun& run, long long files, double barePerFile,
              double bareCpuPerFile)
{
    const double perFile = run.seconds / files;
    const double cpuPerFile = run.cpuSeconds / files;
    std::printf("%-10s %7lld files: %8.1f us per file (%.2fx bare), cpu %.1f us per file "
                "(%.2fx bare), peak %.1f MB, exit %d\n",
                name, files, perFile * 1e6, perFile / barePerFile, cpuPerFile * 1e6,
                cpuPerFile / bareCpuPerFile, run.peakMegabytes, run.exitStatus);
    if (run.exitStatus != 0 || run.filesDone != files) {
        std::printf("%s: %lld of %lld files compressed, exit %d: FAIL\n", name, run.filesDone,
                    files, run.exitStatus);
        return false;
    }
    return true;
}

int judge(const char* name, const ProgramRun& tenth, const ProgramRun& all, long long files,
          double barePerFile)
{
    int failures = 0;
    std::printf("%s: peak memory at %lld files %.1f MB (target under %.0f MB): %s\n", name, files,
                all.peakMegabytes, maxPeakMegabytes,
                all.peakMegabytes < maxPeakMegabytes ? "PASS" : "FAIL");
    failures += all.peakMegabytes < maxPeakMegabytes ? 0 : 1;
    failures += report(std::string(name) + ": peak memory, all files against a tenth",
                       all.peakMegabytes / tenth.peakMegabytes, maxPeakGrowth, true);
    failures += report(std::string(name) + ": time per file against the bare spawn loop",
                       all.seconds / files / barePerFile, maxSpawnRatio, true);
    return failures;
}

} // namespace

int main(int argc, char** argv)
{
    // Line by line: a long run shows its rows as they come, also into a file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    const long long files = batchFileCount(argc, argv, 100000);
    const long long tenth = files / 10;
    const std::string scratch = makeScratch("tarnwick-batch");
    if (scratch.empty()) {
        std::printf("batch: no scratch folder\n");
        return 2;
    }
    program = privateProgram(TARNWICK_PROGRAM, scratch + "/program", "{}");
    const std::string tools = scratch + "/tools";
    const std::string countingTools = scratch + "/counting";
    const char* systemPath = std::getenv("PATH");
    const std::string restPath = systemPath ? systemPath : "/usr/bin:/bin";
    // Neither the user's settings nor a record of earlier runs may change what is done.
    ::setenv("XDG_CONFIG_HOME", (scratch + "/config").c_str(), 1);
    ::unsetenv("COMSPEC");
    const std::vector<std::string> options{"--no-simultaneous", "--no-backup", "--full", "--strip",
                                           "--png"};
    auto withOptions = [&options](std::vector<std::string> more) {
        std::vector<std::string> all = options;
        all.insert(all.end(), more.begin(), more.end());
        return all;
    };

    // How many tool calls a file costs, counted by tools that write down each call.
    const std::string countFile = scratch + "/calls.txt";
    installCountingTools(countingTools, countFile);
    const std::vector<std::string> sampleParts = writeBatchTree(scratch + "/sample", 1000);
    ::setenv("PATH", (countingTools + ":" + restPath).c_str(), 1);
    const ProgramRun sample =
        runProgram(withOptions({sampleParts[0]}), scratch + "/sample.log", scratch + "/cache-s");
    const double callsPerFile = static_cast<double>(lineCount(countFile)) / 100;
    if (sample.filesDone != 100 || callsPerFile < 1) {
        std::printf("batch: the sample run compressed %lld of 100 files with %.2f calls each\n",
                    sample.filesDone, callsPerFile);
        removeScratch(scratch);
        return 2;
    }

    std::printf("batch: writing %lld files in %lld folders...\n", files, files / 100);
    const std::vector<std::string> parts = writeBatchTree(scratch + "/tree", files);
    if (parts.empty() || !installTools(tools, NOOP_PROGRAM)) {
        std::printf("batch: could not write the tree or the tools\n");
        removeScratch(scratch);
        return 2;
    }
    ::setenv("PATH", (tools + ":" + restPath).c_str(), 1);
    const std::string noop = tools + "/" + pngToolNames().front();
    std::printf("batch: %lld files, %.2f tool calls per file (no-op tools), load %.2f\n", files,
                callsPerFile, loadAverage());

    // The bare loop runs before and after the program, so drift in the machine's load meets both.
    const long long bareCalls = static_cast<long long>(callsPerFile * tenth + 0.5);
    const double cpuBefore = cpuSeconds();
    double bareSeconds = bareSpawnLoop(noop, bareCalls);
    const double bareCpuFirst = cpuSeconds() - cpuBefore;
    const ProgramRun treeTenth =
        runProgram(withOptions({parts[0]}), scratch + "/tenth.log", scratch + "/cache-1");
    const ProgramRun treeAll =
        runProgram(withOptions({scratch + "/tree"}), scratch + "/all.log", scratch + "/cache-2");
    // Its own cpu: the runs' children are counted by wait4 and by RUSAGE_CHILDREN alike.
    const double cpuBetween = cpuSeconds();
    bareSeconds += bareSpawnLoop(noop, bareCalls);
    const double bareCpu = bareCpuFirst + cpuSeconds() - cpuBetween;
    const double barePerFile = bareSeconds / (2 * tenth);
    const double bareCpuPerFile = bareCpu / (2 * tenth);
    std::printf("bare spawn loop: %.1f us per file, cpu %.1f us per file (%.2f spawns of the "
                "no-op tool)\n",
                barePerFile * 1e6, bareCpuPerFile * 1e6, callsPerFile);

    int failures = 0;
    failures += printRun("tree", treeTenth, tenth, barePerFile, bareCpuPerFile) ? 0 : 1;
    failures += printRun("tree", treeAll, files, barePerFile, bareCpuPerFile) ? 0 : 1;
    failures += judge("tree", treeTenth, treeAll, files, barePerFile);

    if (hasOption(scratch, "--files-from")) {
        writeBatchList(scratch + "/tenth.list", parts, 1, false);
        writeBatchList(scratch + "/all.list", parts, 10, false);
        const ProgramRun listTenth =
            runProgram(withOptions({"--files-from", scratch + "/tenth.list"}),
                       scratch + "/list-tenth.log", scratch + "/cache-3");
        const ProgramRun listAll = runProgram(withOptions({"--files-from", scratch + "/all.list"}),
                                              scratch + "/list-all.log", scratch + "/cache-4");
        failures += printRun("files-from", listTenth, tenth, barePerFile, bareCpuPerFile) ? 0 : 1;
        failures += printRun("files-from", listAll, files, barePerFile, bareCpuPerFile) ? 0 : 1;
        failures += judge("files-from", listTenth, listAll, files, barePerFile);
    } else {
        std::printf("files-from: not available\n");
    }

    std::printf("batch: load %.2f at the end; %s\n", loadAverage(),
                failures == 0 ? "PASS" : "FAIL");
    if (std::getenv("TARNWICK_BENCH_KEEP"))
        std::printf("batch: kept %s\n", scratch.c_str());
    else
        removeScratch(scratch);
    return failures == 0 ? 0 : 1;
}
