// Tools started through kept keepers: one keeper serves tool after tool, and what a reused keeper
// would carry over from its own start (the current folder, the thread's nice value, the
// environment) is the starting moment's instead; requests the keeper cannot take go the other
// way, and a request it cannot read is refused whole.
#include "platform/posix/process/keeper_protocol.h"
#include "platform/win32/process.h"
#include "test_support.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>
#include <thread>

using namespace process_test;
namespace protocol = posix_process::keeper_protocol;

namespace {

struct ToolRun {
    DWORD code = 12345;
    DWORD pid = 0; // the process that stood for the tool
};

ToolRun run(std::string line)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ToolRun result;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr,
                        nullptr, &startup, &info)) {
        ADD_FAILURE() << line << ": " << GetLastError();
        return result;
    }
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 10000), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &result.code));
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    result.pid = info.dwProcessId;
    return result;
}

std::string processName(DWORD pid)
{
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t open = stat.find('(');
    const std::size_t close = stat.rfind(')');
    return open == std::string::npos || close == std::string::npos
               ? ""
               : stat.substr(open + 1, close - open - 1);
}

class KeptKeepers : public ::testing::Test {
protected:
    // A tool that writes its folder, nice value and $MARK's length to the file it is given.
    std::string reporter()
    {
        writeTool(tools / "report", "{ pwd; nice; printf '%s\\n' \"${#MARK}\"; } > \"$1\"");
        return "cmd /c report " + (work / "report.txt");
    }
    std::vector<std::string> report()
    {
        std::istringstream text(readFile(work / "report.txt"));
        std::vector<std::string> lines;
        for (std::string line; std::getline(text, line);)
            lines.push_back(line);
        EXPECT_EQ(lines.size(), 3u);
        lines.resize(3);
        return lines;
    }

    TempFolder tools;
    TempFolder work;
    TempFolder elsewhere;
    EnvironmentGuard path{"PATH", pathWithFirst(tools.path())};
    CurrentFolderGuard folder{work.path()};
};

TEST_F(KeptKeepers, OneKeeperServesToolAfterToolAndWaitsIdleBetween)
{
    writeTool(tools / "exits", "exit \"$1\"");
    const ToolRun first = run("cmd /c exits 4");
    const ToolRun second = run("cmd /c exits 5");
    EXPECT_EQ(first.code, 4u);
    EXPECT_EQ(second.code, 5u);
    // No process of its own per tool: the tools cost this program no fork.
    EXPECT_EQ(first.pid, second.pid);
    EXPECT_EQ(processName(second.pid), "tool-keeper");
}

TEST_F(KeptKeepers, AReusedKeeperStartsToolsInTheFolderNiceValueAndEnvironmentOfNow)
{
    errno = 0;
    const int own = ::getpriority(PRIO_PROCESS, 0);
    ASSERT_EQ(errno, 0);
    const std::string line = reporter();

    EnvironmentGuard mark{"MARK", std::string("ab")};
    EXPECT_EQ(run(line).code, 0u);
    EXPECT_EQ(report(), (std::vector<std::string>{work.path(), std::to_string(own), "2"}));

    ::chdir(elsewhere.path().c_str());
    ::setenv("MARK", "abcde", 1);
    EXPECT_EQ(run(line).code, 0u);
    EXPECT_EQ(report(), (std::vector<std::string>{elsewhere.path(), std::to_string(own), "5"}));

    // Linux keeps nice values per thread: a lower-priority thread's tools run at its value.
    if (own <= 15) {
        std::thread lower([&] {
            ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), own + 3);
            EXPECT_EQ(run(line).code, 0u);
        });
        lower.join();
        EXPECT_EQ(report()[1], std::to_string(own + 3));
        EXPECT_EQ(run(line).code, 0u);
        EXPECT_EQ(report()[1], std::to_string(own));
    }
}

TEST_F(KeptKeepers, AnEnvironmentTooLargeForOneMessageStillReachesTheTool)
{
    const std::string line = reporter();
    const ToolRun before = run(line);
    {
        // Each below the system's limit for one variable, together over a message's.
        const std::size_t each = protocol::maxRequestBytes / 2;
        EnvironmentGuard mark{"MARK", std::string(each, 'x')};
        EnvironmentGuard more{"MORE", std::string(each, 'y')};
        EnvironmentGuard most{"MOST", std::string(each, 'z')};
        EXPECT_EQ(run(line).code, 0u);
        EXPECT_EQ(report()[2], std::to_string(each));
    }
    // The keepers still serve the requests they can take.
    EXPECT_EQ(run(line).pid, before.pid);
}

TEST_F(KeptKeepers, AKeeperKilledWhileIdleIsReplaced)
{
    writeTool(tools / "exits", "exit \"$1\"");
    const ToolRun first = run("cmd /c exits 6");
    ASSERT_EQ(first.code, 6u);
    ASSERT_EQ(::kill(static_cast<pid_t>(first.pid), SIGKILL), 0);
    const ToolRun second = run("cmd /c exits 7");
    EXPECT_EQ(second.code, 7u);
    EXPECT_NE(second.pid, first.pid);
}

TEST(KeeperProtocol, AStartRequestIsReadBackWholeAndAnythingElseIsRefused)
{
    protocol::StartHeader header;
    header.hasFolder = 1;
    header.ignoredSignals = 1u << (SIGWINCH - 1);
    char one[] = "A=1";
    char two[] = "B=";
    char* environment[] = {one, two, nullptr};
    const std::vector<char> good =
        protocol::encodeStart(header, "/bin/tool", {"tool", "", "a b"}, environment, "/work");
    std::vector<char> copy = good;
    protocol::DecodedStart decoded;
    ASSERT_TRUE(protocol::decodeStart(copy, &decoded));
    EXPECT_STREQ(decoded.path, "/bin/tool");
    ASSERT_EQ(decoded.arguments.size(), 4u);
    EXPECT_STREQ(decoded.arguments[1], "");
    EXPECT_STREQ(decoded.arguments[2], "a b");
    EXPECT_EQ(decoded.arguments[3], nullptr);
    ASSERT_EQ(decoded.environment.size(), 3u);
    EXPECT_STREQ(decoded.environment[1], "B=");
    EXPECT_STREQ(decoded.folder, "/work");
    EXPECT_EQ(decoded.header.ignoredSignals, header.ignoredSignals);

    struct Case {
        const char* name;
        std::vector<char> bytes;
    };
    auto with = [&good](auto change) {
        std::vector<char> bytes = good;
        change(bytes);
        return bytes;
    };
    const Case cases[] = {
        {"shorter than a header", std::vector<char>(good.begin(), good.begin() + 10)},
        {"the folder cut off", std::vector<char>(good.begin(), good.end() - 1)},
        {"a byte too many", with([](std::vector<char>& b) { b.push_back('x'); })},
        {"another tag", with([](std::vector<char>& b) { b[0] ^= 1; })},
        {"more arguments than strings",
         with([](std::vector<char>& b) { b[offsetof(protocol::StartHeader, argumentCount)] = 9; })},
        {"no arguments at all",
         with([](std::vector<char>& b) { b[offsetof(protocol::StartHeader, argumentCount)] = 0; })},
    };
    for (const Case& c : cases) {
        std::vector<char> bytes = c.bytes;
        EXPECT_FALSE(protocol::decodeStart(bytes, &decoded)) << c.name;
    }
}

} // namespace
