#include "platform/process_additions.h"
#include "platform/win32/process.h"
#include "test_support.h"

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstring>
#include <thread>

using namespace process_test;

namespace {

struct Started {
    BOOL ok;
    DWORD error;
    PROCESS_INFORMATION info;
};

Started start(std::string line, DWORD flags = CREATE_NEW_CONSOLE, const char* folder = nullptr,
              const char* environment = nullptr)
{
    STARTUPINFOA startup{};
    startup.cb = 68;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    Started s{};
    SetLastError(0);
    s.ok = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, flags,
                          const_cast<char*>(environment), folder, &startup, &s.info);
    s.error = GetLastError();
    return s;
}

DWORD finish(const Started& s)
{
    EXPECT_EQ(WaitForSingleObject(s.info.hProcess, INFINITE), WAIT_OBJECT_0);
    DWORD code = 12345;
    EXPECT_TRUE(GetExitCodeProcess(s.info.hProcess, &code));
    EXPECT_TRUE(CloseHandle(s.info.hThread));
    EXPECT_TRUE(CloseHandle(s.info.hProcess));
    return code;
}

class CreateProcess : public ::testing::Test {
protected:
    TempFolder tools;
    TempFolder work;
    EnvironmentGuard path{"PATH", pathWithFirst(tools.path())};
    CurrentFolderGuard folder{work.path()};
};

TEST_F(CreateProcess, ReturnsTheToolsExitCodeOrCmdsNotFoundCode)
{
    writeTool(tools / "exits", "exit \"$1\"");
    EXPECT_EQ(finish(start("CMD.EXE /c exits 3")), 3u);
    EXPECT_EQ(finish(start("C:\\WINDOWS\\system32\\cmd.exe /C exits 0")), 0u);
    EXPECT_EQ(finish(start("/usr/lib/Cmd /c Exits.exe 201")), 201u);
    writeTool(tools / "killed", "kill -TERM $$");
    EXPECT_EQ(finish(start("cmd /c killed")), 128u + SIGTERM);

    Started missing = start("CMD.EXE /c no-such-tool-anywhere \"a.png\"");
    ASSERT_TRUE(missing.ok);
    EXPECT_EQ(finish(missing), 9009u);
    EXPECT_EQ(finish(start("CMD.EXE /c")), 0u);
}

TEST_F(CreateProcess, ChildIsHiddenInItsOwnGroupWithArgumentsSplitTheWindowsWay)
{
    writeTool(tools / "inspect", "fds=$(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2)\n"
                                 "echo \"$fds\" > '" +
                                     (work / "fds") +
                                     "'\n"
                                     "awk '{print ($1 == $5)}' /proc/$$/stat > '" +
                                     (work / "group") +
                                     "'\n"
                                     "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > '" +
                                     (work / "args") +
                                     "'\n"
                                     "echo to-stdout; echo to-stderr >&2");
    EXPECT_EQ(finish(start("CMD.EXE /c inspect \"a b\" c\\\"d \"\" e&f")), 0u);
    EXPECT_EQ(readFile(work / "fds"), "/dev/null\n/dev/null\n/dev/null\n");
    EXPECT_EQ(readFile(work / "group"), "1\n");
    EXPECT_EQ(readRecord(work / "args"), (std::vector<std::string>{"a b", "c\"d", "", "e&f"}));
}

TEST_F(CreateProcess, HighPriorityLowersTheChildsNiceValueWhereAllowed)
{
    writeTool(tools / "nicety", "nice > \"$1\"");
    errno = 0;
    int own = ::getpriority(PRIO_PROCESS, 0);
    ASSERT_EQ(errno, 0);
    EXPECT_EQ(finish(start("cmd /c nicety " + (work / "normal"))), 0u);
    EXPECT_EQ(
        finish(start("cmd /c nicety " + (work / "high"), CREATE_NEW_CONSOLE | HIGH_PRIORITY_CLASS)),
        0u);
    int normal = std::stoi(readFile(work / "normal"));
    int high = std::stoi(readFile(work / "high"));
    EXPECT_EQ(normal, own);
    if (::geteuid() == 0 && own > -20) {
        EXPECT_LT(high, own);
    } else {
        EXPECT_LE(high, own);
    }
    // The spawning thread is back at its own value.
    EXPECT_EQ(::getpriority(PRIO_PROCESS, 0), own);
}

TEST_F(CreateProcess, WaitsWithATimeOutAndReportsStillActive)
{
    // The tool's sleep is what is under test: a process still running at the time-out.
    writeTool(tools / "slow", "sleep 0.3; exit 7");
    Started s = start("cmd /c slow");
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(WaitForSingleObject(s.info.hProcess, 20), WAIT_TIMEOUT);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(s.info.hProcess, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(s.info.hThread, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(finish(s), 7u);
}

TEST_F(CreateProcess, ClosedOrForeignHandlesAreRejected)
{
    writeTool(tools / "quick", "exit 0");
    Started s = start("cmd /c quick");
    ASSERT_TRUE(s.ok);
    finish(s);
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(s.info.hProcess));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    int local = 0;
    EXPECT_EQ(WaitForSingleObject(&local, 0), WAIT_FAILED);
    DWORD code = 0;
    EXPECT_FALSE(GetExitCodeProcess(&local, &code));
}

TEST_F(CreateProcess, OtherProgramsAreStartedWithTheWholeLineSplit)
{
    writeRecorder(tools / "recorder", work / "args", 4);
    EXPECT_EQ(finish(start("Recorder.exe /c \"x y\" z")), 4u);
    EXPECT_EQ(readRecord(work / "args"), (std::vector<std::string>{"/c", "x y", "z"}));

    Started missing = start("no-such-program-anywhere /c x");
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error, ERROR_FILE_NOT_FOUND);
}

TEST_F(CreateProcess, CurrentFolderAndEnvironmentOfTheChildCanBeGiven)
{
    TempFolder other;
    writeTool(other / "here", "pwd > where; echo \"$MARK\" > mark");
    std::string block = std::string("PATH=/usr/bin:/bin") + '\0' + "MARK=given" + '\0' + '\0';
    EXPECT_EQ(finish(start("cmd /c here", CREATE_NEW_CONSOLE, other.path().c_str(), block.c_str())),
              0u);
    EXPECT_EQ(readFile(other / "where"), other.path() + "\n");
    EXPECT_EQ(readFile(other / "mark"), "given\n");

    Started bad = start("cmd /c here", CREATE_NEW_CONSOLE, (other / "missing").c_str());
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(bad.error, ERROR_DIRECTORY);
}

TEST(CmdSystem, RunsCommandsAndReportsTheirExitCodes)
{
    TempFolder tools;
    writeTool(tools / "exits", "exit \"$1\"");
    EnvironmentGuard path("PATH", pathWithFirst(tools.path()));
    EXPECT_EQ(cmdSystem("exits 5"), 5);
    EXPECT_EQ(cmdSystem("EXITS.EXE 0"), 0);
    EXPECT_EQ(cmdSystem("no-such-tool-anywhere"), 9009);
    EXPECT_EQ(cmdSystem(nullptr), 1);
}

TEST(LastError, IsKeptPerThread)
{
    SetLastError(ERROR_ACCESS_DENIED);
    DWORD seen = 1;
    std::thread([&] {
        seen = GetLastError();
        SetLastError(ERROR_BUSY);
    }).join();
    EXPECT_EQ(seen, ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

} // namespace
