// Menu items, buttons and notifications run through the command table on the command thread.
#include <gtest/gtest.h>

#include <atomic>
#include <sstream>

#include "support/waiting.h"
#include "toolkit_test_support.h"

namespace {

EventLog seen;
std::atomic<DWORD> interfaceThread{0};
liveMenuItem* watched = nullptr;

std::string where()
{
    return GetCurrentThreadId() == interfaceThread.load() ? "interface" : "worker";
}

void checkCallback()
{
    const bool checked = GetMenuState(watched->menu, watched->id, MF_BYCOMMAND) & MF_CHECKED;
    seen.add(std::string("check ") + (checked ? "on " : "off ") + where());
}
void first()
{
    seen.add("first");
}
void second()
{
    seen.add("second");
}
void clicked()
{
    seen.add("clicked " + where());
}
void noteA300(liveWindow*)
{
    seen.add("A 0x300");
}
void noteA400(liveWindow*)
{
    seen.add("A 0x400");
}
void noteB300(liveWindow*)
{
    seen.add("B 0x300");
}
// A long command, like a message box left open: it waits until the interface thread has handled a
// message posted after the next command.
std::atomic<bool> markerHandled{false};
int marker(liveWindow*, int, int)
{
    markerHandled = true;
    return 0;
}
void waitForMarker()
{
    waitUntil([] { return markerHandled.load(); }, std::chrono::seconds(5));
    seen.add(markerHandled ? "marker seen" : "interface thread blocked");
}

void choose(liveFrame& frame, std::uint32_t identifier)
{
    PostMessageA(frame.handle, WM_COMMAND, MAKEWPARAM(identifier, 0), 0);
}

bool checkedNow(const liveMenuItem* item)
{
    return GetMenuState(item->menu, item->id, MF_BYCOMMAND) & MF_CHECKED;
}

class CommandTest : public FrameTest {
protected:
    void SetUp() override
    {
        seen.clear();
        interfaceThread = GetCurrentThreadId();
        FrameTest::SetUp();
    }
    bool served(std::size_t events)
    {
        return pumpUntil([&] { return seen.size() >= events; });
    }
};

TEST_F(CommandTest, CheckItemFlipsItsMarkBeforeItsCallbackRunsOnTheCommandThread)
{
    auto* bar = new liveMenuBar;
    liveMenu* menu = bar->addMenu("&Options");
    watched = menu->addCheckItem(checkCallback, "&Full", true);
    frame->setMenuBar(bar);
    choose(*frame, watched->id);
    ASSERT_TRUE(served(1));
    EXPECT_FALSE(checkedNow(watched));
    choose(*frame, watched->id);
    ASSERT_TRUE(served(2));
    EXPECT_TRUE(checkedNow(watched));
    EXPECT_EQ(seen.all(), (std::vector<std::string>{"check off worker", "check on worker"}));
}

TEST_F(CommandTest, RadioGroupMarksOneItemAndLeavesTheItemAfterItAlone)
{
    auto* bar = new liveMenuBar;
    liveMenu* menu = bar->addMenu("&Mode");
    frame->setMenuBar(bar);
    beginRadioGroup();
    liveMenuItem* a = menu->addRadioItem(nullptr, "A", true);
    liveMenuItem* b = menu->addRadioItem(nullptr, "B", false);
    liveMenuItem* c = menu->addRadioItem(first, "C", false);
    endRadioGroup();
    watched = menu->addCheckItem(checkCallback, "after", true);
    for (liveMenuItem* item : {a, b, c}) {
        EXPECT_EQ(item->groupFirst, a->id);
        EXPECT_EQ(item->groupLast, watched->id);
    }
    choose(*frame, c->id);
    ASSERT_TRUE(served(1));
    EXPECT_FALSE(checkedNow(a));
    EXPECT_FALSE(checkedNow(b));
    EXPECT_TRUE(checkedNow(c));
    EXPECT_TRUE(checkedNow(watched));
}

TEST_F(CommandTest, CommandsQueueBehindARunningCommandWithoutBlockingTheWindowProcedure)
{
    markerHandled = false;
    frame->bindSize(marker);
    liveMenuBar bar;
    liveMenu* menu = bar.addMenu("&Help");
    liveMenuItem* slow = menu->addItem(waitForMarker, "&Slow");
    liveMenuItem* next = menu->addItem(first, "&Next");
    choose(*frame, slow->id);
    choose(*frame, next->id);
    PostMessageA(frame->handle, WM_SIZE, 0, MAKELPARAM(1, 1));
    ASSERT_TRUE(served(2));
    EXPECT_EQ(seen.all(), (std::vector<std::string>{"marker seen", "first"}));
}

TEST_F(CommandTest, SetItemCallbackReplacesWhatTheItemRuns)
{
    liveMenuBar bar;
    liveMenuItem* item = bar.addMenu("&Help")->addItem(first, "&About");
    choose(*frame, item->id);
    ASSERT_TRUE(served(1));
    setItemCallback(item, second);
    choose(*frame, item->id);
    ASSERT_TRUE(served(2));
    EXPECT_EQ(seen.all(), (std::vector<std::string>{"first", "second"}));
}

TEST_F(CommandTest, ItemWithItsOwnThreadRunsThere)
{
    Thread own;
    liveMenuBar bar;
    liveMenuItem* item = bar.addMenu("&Help")->addItem(clicked, "x", &own);
    choose(*frame, item->id);
    ASSERT_TRUE(served(1));
    own.join();
    EXPECT_EQ(seen.all(), std::vector<std::string>{"clicked worker"});
}

TEST_F(CommandTest, ButtonsTakeConsecutiveIdentifiersAndClickOnTheCommandThread)
{
    auto* quiet = new liveButton(frame, 0, 0, 50, 20, "Quiet");
    auto* loud = new liveButton(frame, 0, 30, 50, 20, "Loud");
    EXPECT_EQ(loud->commandId, quiet->commandId + 1);
    EXPECT_EQ(static_cast<std::uint32_t>(GetDlgCtrlID(quiet->handle)), quiet->commandId);
    EXPECT_EQ(static_cast<std::uint32_t>(GetDlgCtrlID(loud->handle)), loud->commandId);
    loud->setCallback(clicked);
    SendMessageA(quiet->handle, BM_CLICK, 0, 0);
    SendMessageA(loud->handle, BM_CLICK, 0, 0);
    ASSERT_TRUE(served(1));
    waitForWorkers();
    EXPECT_EQ(seen.all(), std::vector<std::string>{"clicked worker"});
}

TEST_F(CommandTest, NotificationReachesOnlyTheBindingOfThatControlAndCode)
{
    liveTextCtrl a(frame, 0, 0, 10, 10, "", 0);
    liveTextCtrl b(frame, 0, 0, 10, 10, "", 0);
    b.bindCommand(0x300, noteB300);
    a.bindCommand(0x400, noteA400);
    a.bindCommand(0x300, noteA300);
    PostMessageA(frame->handle, WM_COMMAND, MAKEWPARAM(0, 0x300),
                 reinterpret_cast<LPARAM>(a.handle));
    ASSERT_TRUE(served(1));
    waitForWorkers();
    EXPECT_EQ(seen.all(), std::vector<std::string>{"A 0x300"});
}

} // namespace
