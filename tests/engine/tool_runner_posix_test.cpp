// The command runner over the POSIX process layer: shell-script tools, modes and the
// layer's own argument splitting. Linux only.
#include "engine/tool_runner.h"
#include "platform/win32/process.h"
#include "platform/posix/process/command_line.h"
#include "platform/process/test_support.h"

#include <thread>

using namespace process_test;

namespace {

TEST(ComposeCommandLine, InterpreterIsComspecOrCmdExe)
{
    {
        EnvironmentGuard unset("COMSPEC", std::nullopt);
        EXPECT_EQ(commandInterpreter(), "CMD.EXE");
    }
    EnvironmentGuard set("COMSPEC", "/opt/tools/cmd.exe");
    EXPECT_EQ(commandInterpreter(), "/opt/tools/cmd.exe");
}

class RunCommand : public ::testing::Test {
protected:
    TempFolder tools;
    TempFolder work;
    EnvironmentGuard path{"PATH", pathWithFirst(tools.path())};
    EnvironmentGuard comspec{"COMSPEC", std::nullopt};
    CurrentFolderGuard folder{work.path()};
};

TEST_F(RunCommand, ReturnsTheExitCodeAndNotFoundCode)
{
    writeTool(tools / "exits", "exit \"$1\"");
    EXPECT_EQ(runCommand("exits 3", "", false), 3);
    EXPECT_EQ(runCommand("exits", "0", true), 0);
    EXPECT_EQ(runCommand("pngout-missing \"a.png\"", "", false), 9009);
}

TEST_F(RunCommand, ToolsInTheCurrentFolderComeFirst)
{
    writeRecorder(tools / "pngout", tools / "record");
    writeRecorder(work / "PNGOUT.exe", work / "record");
    EXPECT_EQ(runCommand("pngout \"a.png\"", "", false), 0);
    EXPECT_TRUE(exists(work / "record"));
    EXPECT_FALSE(exists(tools / "record"));
}

TEST_F(RunCommand, OverlongLinesRunNothing)
{
    writeRecorder(tools / "recorder", work / "record");
    EXPECT_EQ(runCommand("recorder " + std::string(4100, 'a'), "", false),
              static_cast<std::int32_t>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_EQ(runCommand(std::string("recorder a\0; touch x", 20), "", false),
              static_cast<std::int32_t>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(exists(work / "record"));
}

TEST_F(RunCommand, HostileFileNamesReachTheToolAsExactlyOneArgument)
{
    writeRecorder(tools / "pngout", work / "record");
    const std::string names[] = {
        "with space.png",
        "$(touch pwned).png",
        "`touch pwned`.png",
        "semi;touch pwned.png",
        "-leading.png",
        "caf\xc3\xa9 \xe2\x82\xac.png",
        "amp & touch pwned.png",
        "pipe | touch pwned.png",
        "%PATH%.png",
        "quote\"in.png",
        "ends\\",
        "\\\"mixed\\\" \\.png",
        "'single' quotes.png",
        "star*?.png",
    };
    for (const std::string& name : names) {
        std::string file = work / name;
        writeFile(file, "png", 0644);
        std::remove((work / "record").c_str());
        EXPECT_EQ(runCommand("pngout " + quoteArgument(file), "", false), 0) << name;
        EXPECT_EQ(readRecord(work / "record"), std::vector<std::string>{file}) << name;
        if (name.find('"') == std::string::npos && name.back() != '\\') {
            // The engine's usual form, plain quotes, gives the same.
            std::remove((work / "record").c_str());
            runCommand("pngout \"" + file + "\"", "", false);
            EXPECT_EQ(readRecord(work / "record"), std::vector<std::string>{file}) << name;
        }
    }
    EXPECT_FALSE(exists(work / "pwned"));
    EXPECT_FALSE(exists(tools / "pwned"));
}

TEST_F(RunCommand, SeveralThreadsRunToolsAtOnce)
{
    writeTool(tools / "worker", "printf '%s' \"$1\" > \"$2\"; exit \"$1\"");
    std::vector<std::int32_t> results(8, -1);
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&, i] {
            for (int round = 0; round < 5; ++round) {
                std::string out = work / ("out" + std::to_string(i));
                results[static_cast<std::size_t>(i)] = runCommand(
                    "worker " + std::to_string(10 + i) + " " + quoteArgument(out), "", i % 2 == 0);
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(results[static_cast<std::size_t>(i)], 10 + i);
        EXPECT_EQ(readFile(work / ("out" + std::to_string(i))), std::to_string(10 + i));
    }
}

} // namespace

using posix_process::splitArguments;

TEST(QuoteArgument, SplitsBackToExactlyTheSameText)
{
    const std::string paths[] = {
        "a\"b.png",       "\"",         "ends\\",          "ends\\\\",
        "slash\\\"quote", "\\\\\"",     "two \"\" quotes", "tab\there",
        "-leading",       "semi;colon", "`tick`",          "caf\xc3\xa9.png",
        "\"\\\"\\",
    };
    for (const std::string& path : paths) {
        auto arguments = splitArguments("tool " + quoteArgument(path) + " after");
        ASSERT_EQ(arguments.size(), 3u) << path;
        EXPECT_EQ(arguments[1].text, path);
        EXPECT_EQ(arguments[2].text, "after");
    }
}
