// Dropped files, message boxes, and the small services the toolkit asks for.
#include "platform/window/message_log.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

using namespace window_test;

namespace {

TEST(Drops, ThreePathsArriveInOrderWithTheDropMessage)
{
    MessageLog log;
    HWND frame = createRecorded(log);
    DragAcceptFiles(frame, TRUE);
    const std::vector<std::string> paths{"/tmp/one.png", "/tmp/a folder/two.jpg", "/tmp/three"};
    ASSERT_TRUE(winlayer::postDropFiles(frame, paths));
    log.clear();
    pumpMessages();
    ASSERT_EQ(log.messages({WM_DROPFILES}).size(), 1u);
    auto drop = reinterpret_cast<HDROP>(log.all().back().wParam);

    ASSERT_EQ(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0), 3u);
    for (UINT i = 0; i < 3; ++i) {
        char buffer[MAX_PATH];
        EXPECT_EQ(DragQueryFileA(drop, i, buffer, MAX_PATH), paths[i].size());
        EXPECT_EQ(buffer, paths[i]);
    }
    DragFinish(drop);
    EXPECT_EQ(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0), 0u); // finished: stale
    DestroyWindow(frame);
}

TEST(Drops, QueryBufferRules)
{
    HDROP drop = winlayer::createDrop({"/data/image.png"});
    struct Case {
        UINT index;
        bool withBuffer;
        UINT size;
        UINT expected;
        const char* text;
    };
    const Case cases[] = {
        {0, false, 0, 15, nullptr},           // no buffer: the length without the zero
        {0, true, 16, 15, "/data/image.png"}, // exactly enough room
        {0, true, 6, 5, "/data"},             // cut, still terminated
        {0, true, 1, 0, ""},                  // room for the zero only
        {0, true, 0, 0, "untouched"},         // no room at all
        {1, true, 16, 0, "untouched"},        // no such path
    };
    for (const Case& c : cases) {
        char buffer[32] = "untouched";
        UINT got = DragQueryFileA(drop, c.index, c.withBuffer ? buffer : nullptr, c.size);
        EXPECT_EQ(got, c.expected) << c.index << " " << c.size;
        if (c.text) {
            EXPECT_STREQ(buffer, c.text) << c.index << " " << c.size;
        }
    }
    DragFinish(drop);
}

TEST(Drops, ADropOnAChildGoesToTheAcceptingParentAndNowhereElse)
{
    MessageLog log;
    HWND frame = createRecorded(log);
    HWND pane = CreateWindowExA(0, "edit", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, frame, nullptr,
                                nullptr, nullptr);
    EXPECT_FALSE(winlayer::postDropFiles(pane, {"/x"})); // nobody accepts files yet
    DragAcceptFiles(frame, TRUE);
    EXPECT_TRUE(winlayer::postDropFiles(pane, {"/x"}));
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_DROPFILES, WM_DROPFILES, PM_REMOVE));
    EXPECT_EQ(message.hwnd, frame);
    DragFinish(reinterpret_cast<HDROP>(message.wParam));
    DragAcceptFiles(frame, FALSE);
    EXPECT_FALSE(winlayer::postDropFiles(frame, {"/x"}));
    DestroyWindow(frame);
}

TEST(MessageBoxes, WithoutADisplayTheyAreRecordedAndAnsweredAtOnce)
{
    winlayer::clearShownMessageBoxes();
    MessageLog log;
    HWND owner = createRecorded(log);
    EXPECT_EQ(MessageBoxA(owner, "Tarnwick 6.1\nWritten by", "About Tarnwick", MB_OK), IDOK);
    int fromThread = 0;
    std::thread([&] { fromThread = MessageBoxA(owner, "Sure?", nullptr, MB_YESNO); }).join();
    EXPECT_EQ(fromThread, IDYES);

    auto boxes = winlayer::shownMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].owner, owner);
    EXPECT_EQ(boxes[0].text, "Tarnwick 6.1\nWritten by");
    EXPECT_EQ(boxes[0].caption, "About Tarnwick");
    EXPECT_EQ(boxes[0].type, MB_OK);
    EXPECT_EQ(boxes[0].threadId, GetCurrentThreadId());
    EXPECT_EQ(boxes[1].caption, "Error"); // the default caption
    EXPECT_NE(boxes[1].threadId, GetCurrentThreadId());

    DestroyWindow(owner);
    EXPECT_EQ(MessageBoxA(owner, "stale owner", "x", MB_OK), 0);
    EXPECT_EQ(winlayer::shownMessageBoxes().size(), 2u);
}

TEST(Services, LocalMemoryLocksTheMoveableBlockAndRefusesForeignHandles)
{
    HLOCAL block = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, 3 * sizeof(int));
    ASSERT_NE(block, nullptr);
    auto* values = static_cast<int*>(LocalLock(block));
    ASSERT_NE(values, nullptr);
    EXPECT_EQ(values[0] + values[1] + values[2], 0);
    values[2] = 800;
    EXPECT_FALSE(LocalUnlock(block));
    EXPECT_EQ(LocalFree(block), nullptr);
    EXPECT_EQ(LocalLock(block), nullptr);
    int notOurs = 0;
    EXPECT_EQ(LocalFree(&notOurs), &notOurs);

    HLOCAL fixed = LocalAlloc(LMEM_FIXED, 8);
    EXPECT_EQ(LocalLock(fixed), fixed);
    EXPECT_EQ(LocalFree(fixed), nullptr);
}

TEST(Services, StockObjectsIconsAndTheModule)
{
    EXPECT_NE(GetStockObject(DEFAULT_GUI_FONT), nullptr);
    EXPECT_NE(GetStockObject(DKGRAY_BRUSH), GetStockObject(DEFAULT_GUI_FONT));
    EXPECT_EQ(GetStockObject(DKGRAY_BRUSH), GetStockObject(DKGRAY_BRUSH));
    EXPECT_EQ(GetStockObject(9), nullptr);
    EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
    EXPECT_EQ(LoadIconA(nullptr, "named"), nullptr);
    EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
    EXPECT_EQ(GetModuleHandleA("other.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

} // namespace
