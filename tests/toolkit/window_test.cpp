// liveWindow bindings, layouts, frames and deletion, through real messages.
#include <gtest/gtest.h>

#include "toolkit_test_support.h"

namespace {

EventLog seen;

void mouseA(liveWindow*, WPARAM, unsigned, unsigned)
{
    seen.add("a");
}
void mouseB(liveWindow*, WPARAM, unsigned, unsigned)
{
    seen.add("b");
}
int userSize(liveWindow*, int width, int height)
{
    seen.add("user " + std::to_string(width) + "x" + std::to_string(height));
    return 7;
}
int otherSize(liveWindow*, int, int)
{
    return 0;
}
void note(liveWindow*)
{
    seen.add("notified");
}
void dropped(liveWindow*, const std::vector<std::string>&) {}

std::size_t bindingsOf(const liveWindow* window, std::int32_t kind)
{
    std::size_t count = 0;
    for (const liveBinding& binding : currentApplication()->bindingsSnapshot())
        count += binding.window == window && binding.kind == kind;
    return count;
}

bool sameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        registerClassesOnce(app);
        seen.clear();
    }
    TestApp app;
};

TEST_F(WindowTest, BindingTwiceAndUnbindingOnceLeavesOneBinding)
{
    liveFrame frame("f", 0, 0, 100, 100);
    frame.bindMouse(WM_LBUTTONUP, mouseA);
    frame.bindMouse(WM_LBUTTONUP, mouseA);
    frame.unbindMouse(WM_LBUTTONDOWN, mouseA); // another message: no match
    frame.unbindMouse(WM_LBUTTONUP, mouseB);   // another handler: no match
    EXPECT_EQ(bindingsOf(&frame, kindMouse), 2u);
    frame.unbindMouse(WM_LBUTTONUP, mouseA);
    EXPECT_EQ(bindingsOf(&frame, kindMouse), 1u);
    SendMessageA(frame.handle, WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(seen.all(), std::vector<std::string>{"a"});
}

TEST_F(WindowTest, LayoutPlacesItsItemsThenChainsTheUserSizeHandler)
{
    liveFrame frame("f", 0, 0, 800, 600);
    auto* fill = new liveWindow(&frame, 0, 0, 10, 10);
    auto* wide = new liveWindow(&frame, 0, 0, 50, 30);
    auto* tall = new liveWindow(&frame, 0, 0, 40, 30);
    auto* skipped = new liveWindow(&frame, 3, 4, 5, 6);
    frame.addLayoutItemWithMargins(fill, 0, 0, 0, 20, layoutFill);
    frame.addLayoutItemWithMargins(wide, 10, 99, 10, 99, layoutFillWidth);
    frame.addLayoutItemWithMargins(tall, 99, 5, 99, 5, layoutFillHeight);
    frame.addLayoutItem(skipped, 7);
    frame.bindSize(userSize);
    EXPECT_EQ(bindingsOf(&frame, kindSize), 1u);

    SendMessageA(frame.handle, WM_SIZE, 0, MAKELPARAM(600, 400));
    EXPECT_TRUE(sameRect(rectOf(fill->handle), RECT{0, 0, 600, 380}));
    EXPECT_TRUE(sameRect(rectOf(wide->handle), RECT{10, 0, 590, 30}));
    EXPECT_TRUE(sameRect(rectOf(tall->handle), RECT{0, 5, 40, 395}));
    EXPECT_TRUE(sameRect(rectOf(skipped->handle), RECT{3, 4, 8, 10}));
    EXPECT_EQ(seen.all(), std::vector<std::string>{"user 600x400"});
    EXPECT_EQ(frame.relayout(), 7);

    seen.clear();
    frame.unbindSize(otherSize); // clears the chained handler whatever is named
    SendMessageA(frame.handle, WM_SIZE, 0, MAKELPARAM(600, 400));
    EXPECT_TRUE(seen.all().empty());
}

TEST_F(WindowTest, FrameWithStatusBarAddsItsHeightToEveryBottomMargin)
{
    liveFrame plain("plain", 0, 0, 300, 300);
    auto* whole = new liveWindow(&plain, 0, 0, 10, 10);
    plain.addLayoutItem(whole, layoutFill);
    SendMessageA(plain.handle, WM_SIZE, 0, MAKELPARAM(600, 400));
    EXPECT_TRUE(sameRect(rectOf(whole->handle), RECT{0, 0, 600, 400}));

    liveFrame frame("f", 0, 0, 300, 300);
    frame.createStatusBar(2);
    auto* log = new liveWindow(&frame, 0, 0, 10, 10);
    auto* inset = new liveWindow(&frame, 0, 0, 10, 10);
    frame.addLayoutItem(log, layoutFill);
    frame.addLayoutItemWithMargins(inset, 5, 5, 5, 5, layoutFill);
    ASSERT_EQ(frame.layout->items.size(), 3u);
    EXPECT_EQ(frame.layout->items[0].mode, layoutSelfSized);
    EXPECT_EQ(frame.layout->items[1].bottom, statusBarHeight);
    EXPECT_EQ(frame.layout->items[2].bottom, 25);
    SendMessageA(frame.handle, WM_SIZE, 0, MAKELPARAM(600, 400));
    EXPECT_TRUE(sameRect(rectOf(log->handle), RECT{0, 0, 600, 380}));
}

TEST_F(WindowTest, StatusBarPartsDoubleTheirRightEdges)
{
    liveFrame frame("f", 0, 0, 300, 300);
    frame.createStatusBar(1);
    EXPECT_LE(winlayer::statusBarState(frame.statusBar->handle)->rightEdges.size(), 1u);
    frame.measureNonClient();
    MoveWindow(frame.handle, 0, 0, 600 + frame.nonClientWidth, 400 + frame.nonClientHeight, TRUE);
    int width = 0;
    int height = 0;
    frame.statusBar->getClientSize(width, height);
    ASSERT_EQ(width, 600);
    frame.statusBar->setParts(2);
    EXPECT_EQ(winlayer::statusBarState(frame.statusBar->handle)->rightEdges,
              (std::vector<int>{300, 600}));
    frame.statusBar->setParts(3);
    EXPECT_EQ(winlayer::statusBarState(frame.statusBar->handle)->rightEdges,
              (std::vector<int>{200, 400, 800}));
}

TEST_F(WindowTest, GeometryOfFramesAndChildren)
{
    liveFrame frame("f", 40, 30, 300, 200);
    EXPECT_EQ(frame.nonClientWidth, notMeasured);
    frame.measureNonClient();
    int width = 0;
    int height = 0;
    frame.getClientSize(width, height);
    EXPECT_EQ(width + frame.nonClientWidth, 300);
    EXPECT_EQ(height + frame.nonClientHeight, 200);
    int x = -1;
    int y = -1;
    frame.getPosition(x, y);
    EXPECT_EQ(x, 40);
    EXPECT_EQ(y, 30);
    auto* child = new liveWindow(&frame, 5, 6, 20, 10);
    child->getPosition(x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    child->moveTo(50, 60);
    EXPECT_TRUE(sameRect(rectOf(child->handle), RECT{50, 60, 70, 70}));
}

TEST_F(WindowTest, DeletingAWindowDeletesChildrenFirstAndForgetsItsBindings)
{
    struct Child : liveWindow {
        Child(liveWindow* owner, EventLog& log)
            : liveWindow(owner, 0, 0, 5, 5), ownerHandle(owner->handle), log(log)
        {}
        ~Child() override
        {
            log.add(std::string("child; parent window ") +
                    (IsWindow(ownerHandle) ? "alive" : "gone"));
        }
        HWND ownerHandle;
        EventLog& log;
    };
    auto* frame = new liveFrame("f", 0, 0, 100, 100);
    const HWND frameHandle = frame->handle;
    new Child(frame, seen);
    auto* second = new Child(frame, seen);
    second->bindCommand(0x300, note);
    frame->bindDrop(dropped);
    const HWND secondHandle = second->handle;
    // A notification already on its way when the control goes must find nothing to call.
    PostMessageA(frameHandle, WM_COMMAND, MAKEWPARAM(5, 0x300),
                 reinterpret_cast<LPARAM>(secondHandle));
    delete frame;
    EXPECT_EQ(seen.all(), (std::vector<std::string>{"child; parent window alive",
                                                    "child; parent window alive"}));
    EXPECT_FALSE(IsWindow(frameHandle));
    EXPECT_TRUE(app.bindingsSnapshot().empty());
    pumpUntil([] { return false; }, std::chrono::milliseconds(50));
    waitForWorkers();
    EXPECT_EQ(seen.size(), 2u);
}

TEST_F(WindowTest, AChildDeletedOnItsOwnLeavesItsParentsListAndLayout)
{
    liveFrame frame("f", 0, 0, 100, 100);
    auto* child = new liveWindow(&frame, 0, 0, 5, 5);
    auto* kept = new liveWindow(&frame, 0, 0, 5, 5);
    frame.addLayoutItem(child, layoutFill);
    frame.addLayoutItem(kept, layoutFill);
    delete child;
    EXPECT_EQ(frame.children, std::vector<liveWindow*>{kept});
    ASSERT_EQ(frame.layout->items.size(), 1u);
    EXPECT_EQ(frame.layout->items[0].child, kept);
    SendMessageA(frame.handle, WM_SIZE, 0, MAKELPARAM(60, 40));
    EXPECT_TRUE(sameRect(rectOf(kept->handle), RECT{0, 0, 60, 40}));
}

TEST_F(WindowTest, BindDropSwitchesFileAcceptance)
{
    liveFrame frame("f", 0, 0, 100, 100);
    frame.bindDrop(dropped);
    EXPECT_TRUE(winlayer::windowState(frame.handle)->acceptsFiles);
    frame.bindDrop(nullptr);
    EXPECT_FALSE(winlayer::windowState(frame.handle)->acceptsFiles);
}

} // namespace
