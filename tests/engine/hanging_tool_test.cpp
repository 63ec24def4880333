// A tool that hangs is ended when its time runs out, or at once on a second Stop; its step is
// undone and the file stays whole. On Linux the tool also leaves a child in its process group,
// which must end with it.
#include "engine/compression_job.h"

#include <thread>

#include "engine_fixture.h"
#include "support/waiting.h"
#include "support/work_copy.h"
#include "util/live_file.h"

#ifndef _WIN32
#include <csignal>
#endif

namespace {

using namespace std::chrono_literals;

#ifndef _WIN32
bool processGone(const std::string& pidFile)
{
    const std::string text = readFile(pidFile);
    if (text.empty())
        return false;
    const int pid = std::stoi(text);
    return ::kill(pid, 0) != 0;
}
#endif

class StepLimitsTest : public EngineTest {
protected:
    StepLimitsTest()
    {
        state.options[Option::Strip] = false;
        state.options[Option::Full] = false;
        state.timeLimitBase = 1s;
        state.timeLimitPerMegabyte = 0s;
#ifdef _WIN32
        // Windows' stand-in sleeps in its own process.
        tools.install("pngout", "sleep 600");
#else
        // The tool leaves a child behind in its process group and then hangs.
        tools.install("pngout", "sleep 600 & echo $! > '" + temp.file("child.pid") +
                                    "'; echo $$ > '" + temp.file("tool.pid") + "'; sleep 600");
#endif
        writeFileOfSize(path, 4096);
        original = readFile(path);
    }

    // Whether the tool runs (and, on Linux, has told who it and its child are).
    bool toolStarted()
    {
#ifdef _WIN32
        // The stand-in records its call before it sleeps.
        return !tools.calls().empty();
#else
        return !readFile(temp.file("tool.pid")).empty();
#endif
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
#ifndef _WIN32
        EXPECT_TRUE(waitUntil([&] { return processGone(temp.file("tool.pid")); }, 5s));
        EXPECT_TRUE(waitUntil([&] { return processGone(temp.file("child.pid")); }, 5s));
#endif
    }

    const std::string path = pics() + "/a.png";
    std::string original;
};

} // namespace

TEST_F(StepLimitsTest, AToolPastItsTimeLimitIsEndedAndItsStepUndone)
{
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(runJob(surfaces, {path}), JobOutcome::Done);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
    expectEndedAndUndone("pngout ran past its time limit (1 s)");
}

TEST_F(StepLimitsTest, ASecondStopEndsTheRunningToolAtOnce)
{
    state.timeLimitBase = std::chrono::minutes(10);
    std::thread job([&] { runJob(surfaces, {path}); });
    ASSERT_TRUE(waitUntil([&] { return toolStarted(); }, 10s));

    state.requestStop();
    // The first Stop lets the tool run on, as it always has.
    EXPECT_FALSE(waitUntil([&] { return !state.jobActive; }, 300ms));
    state.requestStop();
    EXPECT_TRUE(waitUntil([&] { return !state.jobActive; }, 10s));
    job.join();
    expectEndedAndUndone("pngout was stopped");
}
