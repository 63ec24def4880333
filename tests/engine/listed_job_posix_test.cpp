// A job over a list read as it runs: the first file starts before the list ends, the pool takes
// files as they come through a short queue, and each listed path's end is reported. Shell tools:
// Linux only.
#include <gtest/gtest.h>

#include <atomic>
#include <deque>

#include "engine/compression_job.h"
#include "engine/path_source.h"
#include "engine/streamed_pool.h"
#include "engine_fixture.h"
#include "support/waiting.h"
#include "util/live_file.h"

namespace {

// Gives its paths one at a time; before the one at holdAt it waits until ready says so, as a
// pipe whose writer has not written the rest yet.
class SlowList : public PathSource {
public:
    SlowList(std::deque<std::string> paths, std::size_t holdAt, std::function<bool()> ready)
        : paths(std::move(paths)), holdAt(holdAt), ready(std::move(ready))
    {}

    bool next(std::string& path) override
    {
        if (taken == holdAt)
            readyInTime = waitUntil(ready, std::chrono::seconds(10));
        if (paths.empty())
            return false;
        path = paths.front();
        paths.pop_front();
        ++taken;
        return true;
    }

    bool readyInTime = false;

private:
    std::deque<std::string> paths;
    std::size_t holdAt;
    std::function<bool()> ready;
    std::size_t taken = 0;
};

// Counts what a job reports about its files.
class CountingSurfaces : public RecordingSurfaces {
public:
    void filesFound(std::uint64_t count) override { found += count; }
    void allPathsTaken() override { allTaken = true; }
    std::atomic<std::uint64_t> found{0};
    std::atomic<bool> allTaken{false};
};

class ListedJobTest : public EngineTest {
protected:
    ListedJobTest()
    {
        state.options[Option::Full] = false;
        state.options[Option::Strip] = false;
        tools.install("pngout", shrinkAction(100));
        writeFileOfSize(pics() + "/a.png", 3000);
        writeFileOfSize(pics() + "/sub/b.png", 3000);
        writeFileOfSize(pics() + "/sub/c.png", 3000);
    }

    // Runs the list as one job; the listed paths' ends, each as "path outcome".
    std::vector<std::string> runList(CountingSurfaces& out, const std::shared_ptr<SlowList>& list)
    {
        JobRequest request{{}, state.options.snapshot()};
        request.listed = list;
        std::vector<std::string> ends;
        request.listedPathEnded = [&](const std::string& path, JobOutcome outcome) {
            ends.push_back(path + " " + std::to_string(static_cast<int>(outcome)));
        };
        EXPECT_TRUE(runCompressionJob(context(out), request).empty());
        return ends;
    }
};

} // namespace

TEST_F(ListedJobTest, FirstFileStartsBeforeTheListEndsWithAndWithoutThePool)
{
    for (const bool pooled : {false, true}) {
        SCOPED_TRACE(pooled ? "pool" : "one by one");
        state.options[Option::HogSystem] = pooled;
        writeFileOfSize(pics() + "/a.png", 3000);
        writeFileOfSize(pics() + "/sub/b.png", 3000);
        writeFileOfSize(pics() + "/sub/c.png", 3000);
        const std::size_t callsBefore = tools.calls().size();
        // The rest of the list comes only once the first file's tool has run.
        auto list = std::make_shared<SlowList>(
            std::deque<std::string>{pics() + "/a.png", pics() + "/gone.png", pics() + "/sub"}, 1,
            [&] { return tools.calls().size() > callsBefore; });
        CountingSurfaces out;

        const std::vector<std::string> ends = runList(out, list);

        EXPECT_TRUE(list->readyInTime) << "the first file waited for the whole list";
        EXPECT_EQ(ends, (std::vector<std::string>{pics() + "/a.png 0", pics() + "/gone.png 1",
                                                  pics() + "/sub 0"}));
        for (const char* file : {"/a.png", "/sub/b.png", "/sub/c.png"})
            EXPECT_EQ(fileSize(pics() + file), 2900) << file;
        EXPECT_EQ(out.found, 3u);
        EXPECT_TRUE(out.allTaken);
        EXPECT_EQ(out.log().find("Compressing 3 files... done.\r\n") != std::string::npos, pooled)
            << out.log();
    }
}

TEST_F(ListedJobTest, StoppedPoolLetsTheFeederGoWhileTheQueueIsFull)
{
    tools.install("pngout", "sleep 0.3\n" + shrinkAction(100));
    StreamedPool pool(context(surfaces), 1, 1);
    EXPECT_TRUE(pool.add(pics() + "/a.png"));
    // One file at the worker, one in the queue: the next would wait for room.
    ASSERT_TRUE(waitUntil([&] { return !tools.calls().empty(); }, std::chrono::seconds(10)));
    EXPECT_TRUE(pool.add(pics() + "/sub/b.png"));
    state.running = false;
    EXPECT_FALSE(pool.add(pics() + "/sub/c.png"));
    pool.finish();
    EXPECT_EQ(fileSize(pics() + "/sub/b.png"), 3000) << "a stopped pool drops what waits";
    EXPECT_EQ(fileSize(pics() + "/sub/c.png"), 3000);
}
