// One tool step through runCommand (interpreter, lookup, hidden spawn, wait, exit code) against
// a bare posix_spawn + waitpid of the same no-op program. Prints the ratio of the medians.
#include "engine/tool_runner.h"

#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int rounds = 300;
constexpr double target = 1.10;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <typename Step> double timeOnce(Step step)
{
    auto begin = std::chrono::steady_clock::now();
    step();
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - begin)
        .count();
}

std::string makeFolder()
{
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tarnwick-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::exit(2);
    }
    return pattern;
}

} // namespace

int main()
{
    std::string tools = makeFolder();
    std::string work = makeFolder();
    std::string noop = tools + "/noop";
    std::filesystem::copy_file(NOOP_PROGRAM, noop);
    std::filesystem::current_path(work);
    const char* path = std::getenv("PATH");
    ::setenv("PATH", (tools + ":" + (path ? path : "/usr/bin:/bin")).c_str(), 1);
    ::unsetenv("COMSPEC");

    char* argv[] = {const_cast<char*>("noop"), nullptr};
    auto bare = [&] {
        pid_t pid;
        if (::posix_spawn(&pid, noop.c_str(), nullptr, nullptr, argv, environ) != 0)
            std::exit(2);
        int status;
        ::waitpid(pid, &status, 0);
    };
    auto tool = [&] {
        if (runCommand("noop", "", false) != 0)
            std::exit(2);
    };

    for (int i = 0; i < 20; ++i) {
        bare();
        tool();
    }
    // Alternate the two so that drift in the machine's load hits both alike.
    std::vector<double> bareTimes;
    std::vector<double> toolTimes;
    for (int i = 0; i < rounds; ++i) {
        bareTimes.push_back(timeOnce(bare));
        toolTimes.push_back(timeOnce(tool));
    }
    double bareMedian = median(bareTimes);
    double toolMedian = median(toolTimes);
    double ratio = toolMedian / bareMedian;
    std::printf(
        "runCommand step: median %.1f us; bare posix_spawn + wait: median %.1f us (%d each)\n",
        toolMedian, bareMedian, rounds);
    std::printf("ratio %.3f target <= %.2f %s\n", ratio, target, ratio <= target ? "PASS" : "FAIL");

    std::filesystem::current_path("/");
    std::filesystem::remove_all(tools);
    std::filesystem::remove_all(work);
    return ratio <= target ? 0 : 1;
}
