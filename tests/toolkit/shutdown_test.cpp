// The interface thread waiting for work that still writes to its windows must not deadlock, and the
// main window outlives every job.
#include <gtest/gtest.h>

#include <atomic>

#include "toolkit_test_support.h"

namespace {

std::atomic<int> served{0};
std::atomic<bool> jobDone{false};
HWND target = nullptr;

int countSize(liveWindow*, int, int)
{
    ++served;
    return 0;
}

// Each send completes only when the interface thread handles it.
void writingWork()
{
    for (int i = 0; i < 20; ++i) {
        SendMessageA(target, WM_SIZE, 0, MAKELPARAM(5, 5));
        // Not a synchronisation: the pauses make the job last while the window closes, which
        // is what the first test is about.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    jobDone = true;
}

// The window is closed once the job runs: a drop not yet started when it closes never starts.
void writingDrop(liveWindow* window, const std::vector<std::string>&)
{
    window->close();
    writingWork();
}

struct MainFrame : liveFrame {
    bool* jobDoneFirst;
    explicit MainFrame(bool* flag) : liveFrame("main", 0, 0, 300, 300), jobDoneFirst(flag) {}
    ~MainFrame() override { *jobDoneFirst = jobDone.load(); }
};

class ShutdownTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        registerClassesOnce(app);
        served = 0;
        jobDone = false;
    }
    // Drops each path on a main window whose drop handler closes it and writes to another
    // window, runs the application to its end; whether the job ended before the window went.
    bool runDrops(const std::vector<std::string>& paths)
    {
        liveFrame other("other", 0, 0, 100, 100);
        other.bindSize(countSize);
        target = other.handle;
        bool jobDoneBeforeDeletion = false;
        app.mainWindow = new MainFrame(&jobDoneBeforeDeletion);
        app.mainWindow->bindDrop(writingDrop);
        for (const std::string& path : paths)
            EXPECT_TRUE(winlayer::postDropFiles(app.mainWindow->handle, {path}));
        app.run();
        return jobDoneBeforeDeletion;
    }

    TestApp app;
};

TEST_F(ShutdownTest, ClosingDuringAJobWaitsForItWhileServingItsSends)
{
    EXPECT_TRUE(runDrops({"/tmp/x"}));
    EXPECT_EQ(served.load(), 20);
}

TEST_F(ShutdownTest, DropsQueuedWhenTheWindowClosesNeverStart)
{
    // The first drop closes the window as it starts; the two behind it were for that window.
    EXPECT_TRUE(runDrops({"/tmp/x", "/tmp/y", "/tmp/z"}));
    EXPECT_EQ(served.load(), 20) << "one job ran, not three";
    EXPECT_TRUE(dropQueue().idle());
}

TEST_F(ShutdownTest, WaitForWorkersServesACommandThatSendsToTheWaitingThread)
{
    liveFrame frame("f", 0, 0, 100, 100);
    frame.bindSize(countSize);
    target = frame.handle;
    liveMenuBar bar;
    liveMenuItem* item = bar.addMenu("&Options")->addItem(writingWork, "&Write");
    SendMessageA(frame.handle, WM_COMMAND, item->id, 0);
    waitForWorkers();
    EXPECT_TRUE(jobDone);
    EXPECT_EQ(served.load(), 20);
}

} // namespace
