// The toolkit's message boxes, read back from the Linux window layer's record of the boxes shown
// (on Windows a real box would wait for a click).
#include <gtest/gtest.h>

#include <atomic>

#include "toolkit_test_support.h"

namespace {

std::atomic<DWORD> interfaceThread{0};

void alert()
{
    liveMessageBox("from a command", 0);
}

void choose(liveFrame& frame, std::uint32_t identifier)
{
    PostMessageA(frame.handle, WM_COMMAND, MAKEWPARAM(identifier, 0), 0);
}

class MessageBoxTest : public FrameTest {
protected:
    void SetUp() override
    {
        interfaceThread = GetCurrentThreadId();
        FrameTest::SetUp();
    }
};

TEST_F(MessageBoxTest, MessageBoxesAreOwnedByTheMainWindowWithTheDefaultCaption)
{
    winlayer::clearShownMessageBoxes();
    liveMessageBox("plain", MB_OK);
    liveMessageBox(std::string("titled"), std::string("About Tarnwick"), MB_OK);
    liveMenuBar bar;
    choose(*frame, bar.addMenu("&Help")->addItem(alert, "&Alert")->id);
    pumpUntil([] { return winlayer::shownMessageBoxes().size() >= 3; });
    const auto boxes = winlayer::shownMessageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].caption, "Alert!");
    EXPECT_EQ(boxes[0].text, "plain");
    EXPECT_EQ(boxes[0].type, MB_OK);
    EXPECT_EQ(boxes[1].caption, "About Tarnwick");
    EXPECT_EQ(boxes[2].caption, "Alert!");
    EXPECT_NE(boxes[2].threadId, interfaceThread.load());
    for (const auto& box : boxes)
        EXPECT_EQ(box.owner, frame->handle);
}

} // namespace
