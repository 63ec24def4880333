// The command runner over the system's interpreter, with the fake tools of our own: exit codes,
// a missing tool, file names as single arguments and tools run from several threads.
#include "engine/tool_runner.h"

#include <thread>

#include <gtest/gtest.h>

#include "support/fake_tools.h"
#include "support/temp_folder.h"

namespace {

class RunCommand : public ::testing::Test {
protected:
    TempFolder work;
    FakeTools tools{work.file("bin")};
};

} // namespace

TEST_F(RunCommand, ReturnsTheExitCodeAndNotFoundCode)
{
    tools.install("exits", "exit \"$1\"");
    EXPECT_EQ(runCommand("exits 3", "", false), 3);
    EXPECT_EQ(runCommand("exits", "0", true), 0);
    EXPECT_EQ(runCommand("pngout-missing \"a.png\"", "", false), 9009);
}

TEST_F(RunCommand, FileNamesReachTheToolAsExactlyOneArgument)
{
    tools.install("pngout", "");
    const std::string names[] = {
        "with space.png", "semi;colon.png",      "-leading.png",     "amp & echo pwned.png",
        "pipe | x.png",   "'single' quotes.png", "brackets (1).png", "caret^.png",
    };
    std::vector<std::string> expected;
    for (const std::string& name : names) {
        const std::string file = work.write(name, "png");
        EXPECT_EQ(runCommand("pngout " + quoteArgument(file), "", false), 0) << name;
        expected.push_back("pngout|" + file);
    }
    EXPECT_EQ(tools.calls(), expected);
}

TEST_F(RunCommand, SeveralThreadsRunToolsAtOnce)
{
    tools.install("worker", "exit \"$1\"");
    std::vector<std::int32_t> results(8, -1);
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&, i] {
            for (int round = 0; round < 3; ++round)
                results[static_cast<std::size_t>(i)] =
                    runCommand("worker " + std::to_string(10 + i), "", i % 2 == 0);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(results[static_cast<std::size_t>(i)], 10 + i);
    EXPECT_EQ(tools.calls().size(), 24u);
}
