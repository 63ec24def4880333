#include "engine/worker_pool.h"

#include <map>

#include "engine_fixture.h"
#include "support/work_copy.h"
#include "util/live_file.h"

using WorkerPoolTest = EngineTest;

TEST(WorkerCountTest, TwoPerProcessorAtMostOnePerFile)
{
    const struct {
        std::uint32_t processors;
        std::size_t files;
        std::uint32_t workers;
    } cases[] = {{2, 3, 3}, {2, 100, 4}, {4, 20, 8}, {0, 100, 4}, {0, 2, 2}, {8, 1, 1}, {2, 0, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(workerCount(c.processors, c.files), c.workers)
            << c.processors << " processors, " << c.files << " files";
}

TEST_F(WorkerPoolTest, EveryFileIsCompressedExactlyOnce)
{
    state.options[Option::Full] = false;
    state.options[Option::Strip] = false;
    std::vector<std::string> files;
    for (int i = 0; i < 12; ++i) {
        files.push_back(pics() + "/f" + std::to_string(i) + ".png");
        writeFileOfSize(files.back(), 3000);
    }
    tools.installShrinkingSet(100);

    compressInParallel(context(surfaces), files);

    EXPECT_EQ(surfaces.log(), "Compressing 12 files... done.\r\n");
    // Every call gets a work copy of its own (in a folder of its own), so equal calls would be
    // one copy worked on twice.
    std::map<std::string, int> runs;
    for (const std::string& call : tools.calls()) {
        EXPECT_TRUE(isWorkCopyOf(call.substr(call.find('|') + 1), files[0])) << call;
        ++runs[call];
    }
    ASSERT_EQ(runs.size(), files.size());
    for (const auto& [call, count] : runs)
        EXPECT_EQ(count, 1) << call;
    for (const std::string& file : files)
        EXPECT_EQ(fileSize(file), 2900);
    EXPECT_EQ(workFoldersIn(pics()), std::vector<std::string>{});
    EXPECT_EQ(surfaces.status(1), "Saved: 1.172 KB");
    EXPECT_EQ(surfaces.statusHistory(0).size(), files.size());
}

TEST_F(WorkerPoolTest, EmptyListStartsNoWorker)
{
    compressInParallel(context(surfaces), {});
    EXPECT_EQ(surfaces.log(), "Compressing 0 files... done.\r\n");
    EXPECT_TRUE(surfaces.statusHistory(0).empty());
}

// Stops the job when the first file is taken.
class StopOnFirstFile : public RecordingSurfaces {
public:
    explicit StopOnFirstFile(EngineState& state) : state(state) {}

    void setStatusText(int part, const std::string& text) override
    {
        RecordingSurfaces::setStatusText(part, text);
        if (part == 0)
            state.running = false;
    }

private:
    EngineState& state;
};

TEST_F(WorkerPoolTest, StopLetsEachWorkerFinishItsFileOnly)
{
    state.options[Option::Full] = false;
    state.options[Option::Strip] = false;
    std::vector<std::string> files;
    for (int i = 0; i < 40; ++i) {
        files.push_back(pics() + "/f" + std::to_string(i) + ".png");
        writeFileOfSize(files.back(), 3000);
    }
    tools.installShrinkingSet(100);
    StopOnFirstFile stopping(state);

    compressInParallel(context(stopping), files);

    const std::size_t taken = stopping.statusHistory(0).size();
    EXPECT_GE(taken, 1u);
    EXPECT_LE(taken, 16u);
    EXPECT_EQ(tools.calls().size(), taken);
    EXPECT_TRUE(stopping.log().ends_with(" done.\r\n"));
}

// Every worker's tool runs at the same time as the others': nothing the pool holds across a
// step (a lock, a start that waits for another tool) makes them take turns. Each stand-in waits
// until as many tools as there are workers have started, and says whether they all came.
