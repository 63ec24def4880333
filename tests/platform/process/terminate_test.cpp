// Ending tools: TerminateProcess, terminateAllTools, timed waits, and tools that must not outlive
// the program that started them.
#include "platform/posix/process/kept_keepers.h"
#include "platform/process_additions.h"
#include "platform/win32/process.h"
#include "test_support.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <functional>
#include <future>
#include <thread>

using namespace process_test;
using namespace std::chrono_literals;

extern char** environ;

namespace {

// True while the process runs and is what we expect (so a recycled pid does not count).
bool alive(pid_t pid, const std::string& name)
{
    std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    std::size_t close = stat.rfind(')');
    if (close == std::string::npos || close + 2 >= stat.size())
        return false;
    char state = stat[close + 2];
    return stat.find("(" + name + ")") != std::string::npos && state != 'Z' && state != 'X';
}

// True when no process has the pid any more (a zombie not yet reaped counts as gone).
bool gone(pid_t pid)
{
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    return close == std::string::npos || close + 2 >= stat.size() || stat[close + 2] == 'Z' ||
           stat[close + 2] == 'X';
}

bool within(std::chrono::milliseconds limit, const std::function<bool()>& condition)
{
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

pid_t pidFrom(const std::string& file)
{
    pid_t pid = -1;
    EXPECT_TRUE(within(10s, [&] { return exists(file); })) << file;
    std::istringstream(readFile(file)) >> pid;
    return pid;
}

// Runs the holder (a stand-in for this program) with the given arguments as a plain child.
pid_t runHolder(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), TOOL_HOLDER);
    std::vector<char*> argv;
    for (std::string& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    EXPECT_EQ(::posix_spawn(&pid, TOOL_HOLDER, nullptr, nullptr, argv.data(), environ), 0);
    return pid;
}

class Terminate : public ::testing::Test {
protected:
    PROCESS_INFORMATION start(std::string line)
    {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        EXPECT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE,
                                   CREATE_NEW_CONSOLE, nullptr, nullptr, &startup, &info))
            << line << ": " << GetLastError();
        return info;
    }
    DWORD exitCode(const PROCESS_INFORMATION& info)
    {
        EXPECT_EQ(WaitForSingleObject(info.hProcess, 10000), WAIT_OBJECT_0);
        DWORD code = 12345;
        EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
        return code;
    }
    // A tool that starts a grandchild, records its pid in a file, and waits for it.
    std::string parentTool(const std::string& name)
    {
        writeTool(tools / name, "sleep 60 & echo $! > '" + (work / name) + ".partial'; mv '" +
                                    (work / name) + ".partial' '" + (work / name) + "'; wait");
        return "cmd /c " + name;
    }
    // A tool that leaves a sleep running in the background, one in its own group and one in a
    // new session, writes their pids to a file and then runs `last`.
    std::string leavingTool(const std::string& name, const std::string& last)
    {
        const std::string pids = work / name;
        writeTool(tools / name, "sleep 1000 & a=$!; setsid sleep 1000 & b=$!; echo $a $b > '" +
                                    pids + ".partial'; mv '" + pids + ".partial' '" + pids + "'; " +
                                    last);
        return "cmd /c " + name;
    }
    std::vector<pid_t> leftPids(const std::string& name)
    {
        EXPECT_TRUE(within(10s, [&] { return exists(work / name); }));
        std::istringstream text(readFile(work / name));
        std::vector<pid_t> pids;
        for (pid_t pid; text >> pid;)
            pids.push_back(pid);
        EXPECT_EQ(pids.size(), 2u);
        return pids;
    }
    void close(const PROCESS_INFORMATION& info)
    {
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }

    TempFolder tools;
    TempFolder work;
    EnvironmentGuard path{"PATH", pathWithFirst(tools.path())};
};

TEST_F(Terminate, EndsTheToolTogetherWithWhatItStartedAndSetsTheExitCode)
{
    PROCESS_INFORMATION tool = start(parentTool("parent"));
    pid_t grandchild = pidFrom(work / "parent");
    ASSERT_TRUE(alive(static_cast<pid_t>(tool.dwProcessId), "parent"));
    // Its pid is known as soon as it is forked, its name only once it has started sleep.
    ASSERT_TRUE(within(5s, [&] { return alive(grandchild, "sleep"); }));

    EXPECT_TRUE(TerminateProcess(tool.hProcess, 42));
    EXPECT_EQ(exitCode(tool), 42u);
    EXPECT_FALSE(alive(static_cast<pid_t>(tool.dwProcessId), "parent"));
    EXPECT_TRUE(within(5s, [&] { return !alive(grandchild, "sleep"); }));

    // Ended already: Win32 refuses, and the exit code stays.
    SetLastError(0);
    EXPECT_FALSE(TerminateProcess(tool.hProcess, 7));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(exitCode(tool), 42u);
    close(tool);
}

// Both ways a tool starts: through a kept keeper, and through one forked for it.
constexpr bool keptWays[] = {true, false};

TEST_F(Terminate, WhatAToolLeftRunningIsGoneWhenItsEndIsSeen)
{
    for (const bool kept : keptWays) {
        SCOPED_TRACE(kept ? "kept keeper" : "forked keeper");
        posix_process::allowKeptKeepers(kept);
        PROCESS_INFORMATION tool = start(leavingTool("leaver", "exit 3"));
        EXPECT_EQ(exitCode(tool), 3u);
        for (const pid_t pid : leftPids("leaver")) {
            EXPECT_TRUE(gone(pid)) << pid;
            if (!gone(pid))
                ::kill(pid, SIGKILL);
        }
        close(tool);
        std::filesystem::remove(work / "leaver");
    }
    posix_process::allowKeptKeepers(true);
}

TEST_F(Terminate, WhatAToolLeftRunningDoesNotOutliveItsProgramKilledOutright)
{
    for (const char* mode : {"hold", "hold-forked"}) {
        SCOPED_TRACE(mode);
        leavingTool("leaver", "exec sleep 1000");
        pid_t holder = runHolder({mode, work / "tool-pid", "cmd /c leaver"});
        ASSERT_GT(holder, 0);
        const std::vector<pid_t> left = leftPids("leaver");

        ::kill(holder, SIGKILL);
        int status = 0;
        EXPECT_EQ(::waitpid(holder, &status, 0), holder);
        for (const pid_t pid : left) {
            EXPECT_TRUE(within(2s, [&] { return gone(pid); })) << pid;
            if (!gone(pid))
                ::kill(pid, SIGKILL);
        }
        std::filesystem::remove(work / "leaver");
        std::filesystem::remove(work / "tool-pid");
    }
}

TEST_F(Terminate, AnIdleKeeperDoesNotOutliveItsProgram)
{
    writeTool(tools / "quick", "exit 0");
    pid_t holder = runHolder({"hold", work / "tool-pid", "cmd /c quick"});
    ASSERT_GT(holder, 0);
    const pid_t keeper = pidFrom(work / "tool-pid");
    int status = 0;
    EXPECT_EQ(::waitpid(holder, &status, 0), holder);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(within(2s, [&] { return gone(keeper); })) << keeper;
}

TEST_F(Terminate, RefusesEndedProcessesAndHandlesThatAreNoProcess)
{
    writeTool(tools / "exits", "exit 5");
    PROCESS_INFORMATION ended = start("cmd /c exits");
    EXPECT_EQ(exitCode(ended), 5u);
    PROCESS_INFORMATION builtIn = start("cmd /c no-such-tool-anywhere");
    for (HANDLE process : {ended.hProcess, builtIn.hProcess}) {
        SetLastError(0);
        EXPECT_FALSE(TerminateProcess(process, 1));
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    }
    EXPECT_EQ(exitCode(ended), 5u);
    EXPECT_EQ(exitCode(builtIn), 9009u);

    int local = 0;
    for (HANDLE notAProcess : {ended.hThread, static_cast<HANDLE>(&local)}) {
        SetLastError(0);
        EXPECT_FALSE(TerminateProcess(notAProcess, 1));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    }
    close(ended);
    close(builtIn);
}

TEST_F(Terminate, TimedWaitsTimeOutWhileTheToolSleepsAndSeeItsEnd)
{
    PROCESS_INFORMATION tool = start("sleep 60");
    auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForSingleObject(tool.hProcess, 50), WAIT_TIMEOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - before, 50ms);
    EXPECT_EQ(WaitForSingleObject(tool.hThread, 0), WAIT_TIMEOUT);

    ASSERT_TRUE(TerminateProcess(tool.hProcess, 3));
    // The way a stopping job polls: short waits until the tool is gone.
    EXPECT_TRUE(
        within(10s, [&] { return WaitForSingleObject(tool.hProcess, 50) == WAIT_OBJECT_0; }));
    EXPECT_EQ(WaitForSingleObject(tool.hThread, 0), WAIT_OBJECT_0);
    EXPECT_EQ(exitCode(tool), 3u);
    close(tool);
}

TEST_F(Terminate, EndsAWaitWithoutLimitOnAnotherThread)
{
    PROCESS_INFORMATION tool = start("sleep 60");
    std::future<DWORD> waited = std::async(
        std::launch::async, [&] { return WaitForSingleObject(tool.hProcess, INFINITE); });
    EXPECT_EQ(waited.wait_for(50ms), std::future_status::timeout);
    EXPECT_TRUE(TerminateProcess(tool.hProcess, 9));
    if (waited.wait_for(10s) != std::future_status::ready) {
        ADD_FAILURE() << "the waiting thread was not woken";
        ::kill(static_cast<pid_t>(tool.dwProcessId), SIGKILL);
    }
    EXPECT_EQ(waited.get(), WAIT_OBJECT_0);
    EXPECT_EQ(exitCode(tool), 9u);
    close(tool);
}

TEST_F(Terminate, AllToolsEndIncludingOnesWhoseHandlesAreClosed)
{
    PROCESS_INFORMATION parent = start(parentTool("parent"));
    PROCESS_INFORMATION sleeper = start("sleep 60");
    PROCESS_INFORMATION forgotten = start("sleep 61");
    pid_t grandchild = pidFrom(work / "parent");
    pid_t forgottenPid = static_cast<pid_t>(forgotten.dwProcessId);
    close(forgotten);
    ASSERT_TRUE(alive(forgottenPid, "sleep"));

    terminateAllTools();
    EXPECT_EQ(exitCode(parent), 128u + SIGKILL);
    EXPECT_EQ(exitCode(sleeper), 128u + SIGKILL);
    EXPECT_TRUE(within(5s, [&] { return !alive(grandchild, "sleep"); }));
    EXPECT_TRUE(within(5s, [&] { return !alive(forgottenPid, "sleep"); }));
    close(parent);
    close(sleeper);
}

TEST_F(Terminate, ExecFailuresAreStillReportedToTheCaller)
{
    struct Case {
        const char* content;
        DWORD error;   // CreateProcessA starting the file itself
        DWORD cmdExit; // the same through "cmd /c"
    };
    const Case cases[] = {
        {"neither a program nor a script\n", ERROR_BAD_EXE_FORMAT, 1},
        {"#!/no/such/interpreter\n", ERROR_FILE_NOT_FOUND, 9009},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        writeFile(tools / "broken", c.content, 0755);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        char line[] = "broken";
        SetLastError(0);
        EXPECT_FALSE(CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE,
                                    nullptr, nullptr, &startup, &info));
        EXPECT_EQ(GetLastError(), c.error);
        PROCESS_INFORMATION viaCmd = start("cmd /c broken");
        EXPECT_EQ(exitCode(viaCmd), c.cmdExit);
        close(viaCmd);
    }
}

TEST_F(Terminate, AToolDoesNotOutliveItsProgramKilledOutright)
{
    pid_t holder = runHolder({"hold", work / "tool-pid", "sleep 62"});
    ASSERT_GT(holder, 0);
    pid_t tool = pidFrom(work / "tool-pid");
    ASSERT_TRUE(alive(tool, "sleep"));

    ::kill(holder, SIGKILL);
    int status = 0;
    EXPECT_EQ(::waitpid(holder, &status, 0), holder);
    EXPECT_TRUE(within(5s, [&] { return !alive(tool, "sleep"); }));
    if (alive(tool, "sleep"))
        ::kill(tool, SIGKILL);
}

TEST_F(Terminate, ChildrenStartWithDefaultSignalHandlingAndNothingBlocked)
{
    // What this process ignores or blocks must not reach a tool, except an ignored signal that
    // is not one of the usual ones (ignoring survives exec, as it would with a shell).
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction oldTerm;
    struct sigaction oldWinch;
    ::sigaction(SIGTERM, &ignore, &oldTerm);
    ::sigaction(SIGWINCH, &ignore, &oldWinch);
    sigset_t blocked;
    sigset_t oldMask;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    ::pthread_sigmask(SIG_BLOCK, &blocked, &oldMask);

    PROCESS_INFORMATION holder = start(std::string(TOOL_HOLDER) + " signals " + (work / "signals"));
    EXPECT_EQ(exitCode(holder), 0u);
    close(holder);

    ::pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
    ::sigaction(SIGTERM, &oldTerm, nullptr);
    ::sigaction(SIGWINCH, &oldWinch, nullptr);

    std::istringstream lines(readFile(work / "signals"));
    std::string label;
    unsigned long long blockedMask = ~0ull;
    unsigned long long ignoredMask = 0;
    lines >> label >> std::hex >> blockedMask >> label >> ignoredMask;
    EXPECT_EQ(blockedMask, 0u);
    EXPECT_EQ(ignoredMask & (1ull << (SIGTERM - 1)), 0u);
    EXPECT_NE(ignoredMask & (1ull << (SIGWINCH - 1)), 0u);
}

} // namespace
