// Dropped files: one handler call per drop, on dropThread, one job at a time, while the interface
// thread goes on serving the running job.
#include <gtest/gtest.h>

#include <atomic>

#include "support/waiting.h"
#include "toolkit_test_support.h"

namespace {

EventLog seen;
std::atomic<DWORD> interfaceThread{0};
std::atomic<int> active{0};
std::atomic<int> mostActive{0};
std::atomic<bool> markerSeen{false};
std::atomic<bool> sawMarkerWhileFirstRan{false};
liveMultilineTextCtrl* logPane = nullptr;
HWND sizeTarget = nullptr;
std::string finalLog;

void recordPaths(liveWindow*, const std::vector<std::string>& paths)
{
    std::string joined =
        GetCurrentThreadId() == interfaceThread.load() ? "interface" : "drop thread";
    for (const std::string& path : paths)
        joined += "|" + path;
    seen.add(joined);
}

int sizeOnInterface(liveWindow*, int width, int height)
{
    if (width == 777 && height == 777)
        markerSeen = true;
    else if (GetCurrentThreadId() == interfaceThread.load())
        seen.add("served");
    return 0;
}

// A job: writes lines to the log and sends to a window of the interface thread; the first job
// waits until the interface thread has handled a message posted after the second drop.
void job(liveWindow*, const std::vector<std::string>& paths)
{
    const int now = ++active;
    int expected = mostActive.load();
    while (now > expected && !mostActive.compare_exchange_weak(expected, now)) {
    }
    if (paths[0] == "first") {
        waitUntil([] { return markerSeen.load(); }, std::chrono::seconds(5));
        sawMarkerWhileFirstRan = markerSeen.load();
    }
    for (int i = 0; i < 5; ++i) {
        logPane->append(paths[0] + " " + std::to_string(i) + "\r\n");
        SendMessageA(sizeTarget, WM_SIZE, 0, MAKELPARAM(10, 10));
    }
    --active;
    if (paths[0] == "second") {
        finalLog = logPane->getText(); // the pane goes with the main window when run ends
        currentApplication()->getMainWindow()->close();
    }
}

class DropTest : public FrameTest {
protected:
    void SetUp() override
    {
        seen.clear();
        interfaceThread = GetCurrentThreadId();
        FrameTest::SetUp();
    }
};

TEST_F(DropTest, ThreePathsReachTheHandlerOnceInShellOrderOnTheDropThread)
{
    frame->bindDrop(recordPaths);
    const std::string longPath = "/tmp/" + std::string(400, 'x') + "/a b.png";
    ASSERT_TRUE(winlayer::postDropFiles(frame->handle, {"/tmp/c.png", longPath, "/tmp/a dir"}));
    ASSERT_TRUE(pumpUntil([] { return seen.size() >= 1; }));
    waitForWorkers();
    EXPECT_EQ(seen.all(),
              std::vector<std::string>{"drop thread|/tmp/c.png|" + longPath + "|/tmp/a dir"});
}

TEST_F(DropTest, DropOnAWindowWithoutHandlerIsIgnored)
{
    auto* child = new liveWindow(frame, 0, 0, 10, 10);
    PostMessageA(child->handle, WM_DROPFILES,
                 reinterpret_cast<WPARAM>(winlayer::createDrop({"/tmp/x"})), 0);
    pumpUntil([] { return false; }, std::chrono::milliseconds(30));
    waitForWorkers();
    EXPECT_TRUE(seen.all().empty());
}

TEST_F(DropTest, SecondDropWaitsForTheFirstJobWhileTheInterfaceThreadServesIt)
{
    liveFrame other("other", 0, 0, 100, 100);
    other.bindSize(sizeOnInterface);
    sizeTarget = other.handle;
    frame->createStatusBar(2);
    logPane = new liveMultilineTextCtrl(frame, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                        CW_USEDEFAULT, "", logPaneStyle);
    frame->addLayoutItem(logPane, layoutFill);
    frame->bindDrop(job);
    ASSERT_TRUE(winlayer::postDropFiles(frame->handle, {"first"}));
    ASSERT_TRUE(winlayer::postDropFiles(frame->handle, {"second"}));
    PostMessageA(other.handle, WM_SIZE, 0, MAKELPARAM(777, 777));

    app.run();
    EXPECT_TRUE(sawMarkerWhileFirstRan);
    EXPECT_EQ(mostActive.load(), 1);
    EXPECT_EQ(seen.size(), 10u); // every send of both jobs served on the interface thread
    EXPECT_EQ(finalLog, "first 0\r\nfirst 1\r\nfirst 2\r\nfirst 3\r\nfirst 4\r\n"
                        "second 0\r\nsecond 1\r\nsecond 2\r\nsecond 3\r\nsecond 4\r\n");
}

} // namespace
