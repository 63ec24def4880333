// A tool that hangs is ended with everything it started when its time runs out, or at once on a
// second Stop; its step is undone and the file stays whole. Linux only: the stand-in leaves a
// child in its process group and the test looks for both by signal.
#include "engine/compression_job.h"

#include <csignal>
#include <thread>

#include "engine_fixture.h"
#include "support/waiting.h"
#include "util/live_file.h"

namespace {

using namespace std::chrono_literals;

bool processGone(const std::string& pidFile)
{
    const std::string text = readFile(pidFile);
    if (text.empty())
        return false;
    const int pid = std::stoi(text);
    return ::kill(pid, 0) != 0;
}

class StepLimitsTest : public EngineTest {
protected:
    StepLimitsTest()
    {
        Strip = false;
        Full = false;
        state.timeLimitBase = 1s;
        state.timeLimitPerMegabyte = 0s;
        // The tool leaves a child behind in its process group and then hangs.
        tools.install("pngout", "sleep 600 & echo $! > '" + temp.file("child.pid") +
                                    "'; echo $$ > '" + temp.file("tool.pid") + "'; sleep 600");
        writeFileOfSize(path, 4096);
        original = readFile(path);
    }

    ~StepLimitsTest() override
    {
        state.timeLimitBase = std::chrono::minutes(2);
        state.timeLimitPerMegabyte = std::chrono::minutes(1);
    }

    void expectEndedAndUndone(const std::string& reason)
    {
        EXPECT_EQ(readFile(path), original);
        EXPECT_NE(surfaces.log().find("     Fast Compression...  New Size: 4.000 KB\r\n"
                                      "     Step undone: " +
                                      reason + "\r\n     Compressed file is 100.000%"),
                  std::string::npos)
            << surfaces.log();
        EXPECT_TRUE(waitUntil([&] { return processGone(temp.file("tool.pid")); }, 5s));
        EXPECT_TRUE(waitUntil([&] { return processGone(temp.file("child.pid")); }, 5s));
    }

    EngineState& state = processEngineState();
    const std::string path = pics() + "/a.png";
    std::string original;
};

} // namespace

TEST_F(StepLimitsTest, AToolPastItsTimeLimitIsEndedWithItsChildrenAndItsStepUndone)
{
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(runCompressionJob(surfaces, {path}), JobOutcome::Done);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
    expectEndedAndUndone("pngout ran past its time limit (1 s)");
}

TEST_F(StepLimitsTest, ASecondStopEndsTheRunningToolAtOnce)
{
    state.timeLimitBase = std::chrono::minutes(10);
    std::thread job([&] { runCompressionJob(surfaces, {path}); });
    ASSERT_TRUE(waitUntil([&] { return !readFile(temp.file("tool.pid")).empty(); }, 10s));

    state.requestStop();
    // The first Stop lets the tool run on, as it always has.
    EXPECT_FALSE(waitUntil([&] { return !state.jobActive; }, 300ms));
    state.requestStop();
    EXPECT_TRUE(waitUntil([&] { return !state.jobActive; }, 10s));
    job.join();
    expectEndedAndUndone("pngout was stopped");
}
