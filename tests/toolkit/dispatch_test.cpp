// The window procedure's table and the message loop, through real messages.
#include <gtest/gtest.h>

#include "toolkit_test_support.h"

namespace {

EventLog seen;

int sizeFirst(liveWindow*, int width, int height)
{
    seen.add("first " + std::to_string(width) + "x" + std::to_string(height));
    return 0;
}
int sizeSecond(liveWindow*, int, int)
{
    seen.add("second");
    return 0;
}
void mouseDown(liveWindow*, WPARAM wParam, unsigned x, unsigned y)
{
    seen.add("mouse " + std::to_string(wParam) + " " + std::to_string(x) + "," + std::to_string(y));
}
void paint(liveWindow*)
{
    seen.add("paint");
}
int stopOnSize(liveWindow*, int, int)
{
    currentApplication()->stop();
    return 0;
}

bool quitQueued()
{
    MSG message{};
    bool quit = false;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        quit = quit || message.message == WM_QUIT;
    return quit;
}

class DispatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        registerClassesOnce(app);
        seen.clear();
    }
    TestApp app;
};

TEST_F(DispatchTest, SizeGoesToTheFirstSizeBindingOnlyAndNeedsAHeight)
{
    liveFrame frame("f", 0, 0, 300, 300);
    frame.bindSize(sizeFirst);
    frame.bindSize(sizeSecond);
    struct Case {
        LPARAM lParam;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {0, {}},                  // minimised
        {MAKELPARAM(300, 0), {}}, // a width alone is no client area
        {MAKELPARAM(300, 200), {"first 300x200"}},
        {MAKELPARAM(0, 1), {"first 0x1"}},
    };
    for (const Case& c : cases) {
        seen.clear();
        EXPECT_EQ(SendMessageA(frame.handle, WM_SIZE, SIZE_RESTORED, c.lParam), 0);
        EXPECT_EQ(seen.all(), c.expected) << "lParam " << c.lParam;
    }
}

TEST_F(DispatchTest, MouseMessagesReachOnlyTheirBindingAndAnswerZero)
{
    liveFrame frame("f", 0, 0, 300, 300);
    frame.bindMouse(WM_LBUTTONDOWN, mouseDown);
    EXPECT_EQ(SendMessageA(frame.handle, WM_LBUTTONDOWN, 1, MAKELPARAM(10, 20)), 0);
    EXPECT_EQ(SendMessageA(frame.handle, WM_MOUSEMOVE, 0, MAKELPARAM(1, 2)), 0);
    EXPECT_EQ(SendMessageA(frame.handle, WM_RBUTTONUP, 0, MAKELPARAM(1, 2)), 0);
    EXPECT_EQ(seen.all(), std::vector<std::string>{"mouse 1 10,20"});
}

TEST_F(DispatchTest, PaintCallsTheHandlerThenTheDefaultProcedure)
{
    liveFrame frame("f", 0, 0, 300, 300);
    frame.bindPaint(paint);
    EXPECT_EQ(SendMessageA(frame.handle, WM_PAINT, 0, 0),
              DefWindowProcA(frame.handle, WM_PAINT, 0, 0));
    EXPECT_EQ(seen.all(), std::vector<std::string>{"paint"});
}

TEST_F(DispatchTest, OnlyTheMainWindowsDestructionQuits)
{
    liveFrame* main = app.createFrame("main", 0, 0, 300, 300);
    auto* other = new liveFrame("other", 0, 0, 100, 100);
    auto* child = new liveWindow(main, 0, 0, 10, 10);
    delete child;
    delete other;
    EXPECT_FALSE(quitQueued());
    DestroyWindow(main->handle);
    EXPECT_TRUE(quitQueued());
    delete main;
    app.mainWindow = nullptr;
}

TEST_F(DispatchTest, ClosingTheMainWindowEndsRunThenDeletesItThenCallsOnExit)
{
    struct Frame : liveFrame {
        bool* deleted;
        Frame(bool* flag) : liveFrame("main", 0, 0, 300, 300), deleted(flag) {}
        ~Frame() override { *deleted = true; }
    };
    bool deleted = false;
    app.mainWindow = new Frame(&deleted);
    bool deletedBeforeExit = false;
    app.exitCheck = [&] { deletedBeforeExit = deleted; };
    app.getMainWindow()->close();
    app.run();
    EXPECT_TRUE(deleted);
    EXPECT_TRUE(deletedBeforeExit);
    EXPECT_EQ(app.exits, 1);
    // A later loop on this thread must not find a stray quit from the deletion.
    EXPECT_FALSE(quitQueued());
}

TEST_F(DispatchTest, StopFromAHandlerEndsRunWithoutAQuit)
{
    liveFrame* main = app.createFrame("main", 0, 0, 300, 300);
    main->bindSize(stopOnSize);
    PostMessageA(main->handle, WM_SIZE, 0, MAKELPARAM(10, 10));
    app.run();
    EXPECT_EQ(app.exits, 1);
    EXPECT_FALSE(quitQueued());
}

TEST_F(DispatchTest, IdleHookRunsWhenTheQueueIsEmpty)
{
    app.createFrame("main", 0, 0, 300, 300);
    static int idleCalls = 0;
    idleCalls = 0;
    app.idleArgument = 3;
    app.idleHook = [](std::uint32_t argument) {
        idleCalls += static_cast<int>(argument);
        if (idleCalls >= 9)
            currentApplication()->stop();
    };
    app.run();
    EXPECT_EQ(idleCalls, 9);
}

} // namespace
