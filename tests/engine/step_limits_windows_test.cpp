// A tool that hangs is ended when its time runs out, or at once on a second Stop; its step is
// undone and the file stays whole. The Windows stand-in sleeps in its own process.
#include "engine/compression_job.h"

#include <thread>

#include "engine_fixture.h"
#include "support/waiting.h"
#include "support/work_copy.h"
#include "util/live_file.h"

namespace {

using namespace std::chrono_literals;

class StepLimitsTest : public EngineTest {
protected:
    StepLimitsTest()
    {
        Strip = false;
        Full = false;
        state.timeLimitBase = 1s;
        state.timeLimitPerMegabyte = 0s;
        tools.install("pngout", "sleep 600");
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
        EXPECT_EQ(workFoldersIn(pics()), std::vector<std::string>{});
    }

    EngineState& state = processEngineState();
    const std::string path = pics() + "/a.png";
    std::string original;
};

} // namespace

TEST_F(StepLimitsTest, AToolPastItsTimeLimitIsEndedAndItsStepUndone)
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
    // The stand-in records its call before it sleeps.
    ASSERT_TRUE(waitUntil([&] { return !tools.calls().empty(); }, 10s));

    state.requestStop();
    // The first Stop lets the tool run on, as it always has.
    EXPECT_FALSE(waitUntil([&] { return !state.jobActive; }, 300ms));
    state.requestStop();
    EXPECT_TRUE(waitUntil([&] { return !state.jobActive; }, 10s));
    job.join();
    expectEndedAndUndone("pngout was stopped");
}
