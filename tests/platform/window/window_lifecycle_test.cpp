// Creating, showing, moving and destroying windows, seen through the messages they receive.
#include "platform/window/message_log.h"

#include <gtest/gtest.h>

#include <thread>

using namespace window_test;

namespace {

const std::vector<UINT> kLifeMessages{WM_NCCREATE, WM_CREATE,  WM_SHOWWINDOW, WM_SIZE,
                                      WM_MOVE,     WM_DESTROY, WM_NCDESTROY};

TEST(WindowLifecycle, CreationSendsNcCreateThenCreateAndPassesTheCreateParameter)
{
    MessageLog log;
    HWND window = createRecorded(log, WS_OVERLAPPEDWINDOW);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(log.messages(kLifeMessages), (std::vector<UINT>{WM_NCCREATE, WM_CREATE}));
    // The recording procedure takes its log from the create parameter of WM_NCCREATE.
    EXPECT_EQ(reinterpret_cast<MessageLog*>(GetWindowLongPtrA(window, GWLP_USERDATA)), &log);
    EXPECT_TRUE(DestroyWindow(window));
}

TEST(WindowLifecycle, VisibleCreationShowsAndSizesTheWindowAfterCreate)
{
    MessageLog log;
    HWND window = createRecorded(log, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    EXPECT_EQ(log.messages(kLifeMessages),
              (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SHOWWINDOW, WM_SIZE, WM_MOVE}));
    EXPECT_TRUE(IsWindowVisible(window));
    DestroyWindow(window);
}

TEST(WindowLifecycle, CreationFailsWhenTheProcedureRefuses)
{
    struct Case {
        UINT refused;
        LRESULT answer;
        std::vector<UINT> expected;
    };
    for (const Case& c :
         {Case{WM_NCCREATE, FALSE, {WM_NCCREATE, WM_NCDESTROY}},
          Case{WM_CREATE, -1, {WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}}}) {
        MessageLog log;
        HWND seen = nullptr;
        log.setHandler([&](HWND hwnd, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
            seen = hwnd;
            if (message == c.refused)
                return c.answer;
            return std::nullopt;
        });
        EXPECT_EQ(createRecorded(log), nullptr) << c.refused;
        EXPECT_EQ(log.messages(kLifeMessages), c.expected) << c.refused;
        EXPECT_FALSE(IsWindow(seen)) << c.refused;
    }
}

TEST(WindowLifecycle, UnknownClassAndChildWithoutParentAreRefused)
{
    EXPECT_EQ(
        CreateWindowExA(0, "noSuchClass", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
        nullptr);
    EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
    EXPECT_EQ(
        CreateWindowExA(0, "edit", "", WS_CHILD, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
        nullptr);
    EXPECT_EQ(GetLastError(), ERROR_TLW_WITH_WSCHILD);
}

TEST(WindowLifecycle, FirstShowingSendsSizeWithTheClientSizeOnlyOnce)
{
    MessageLog log;
    HWND window = createRecorded(log, WS_OVERLAPPEDWINDOW, nullptr, 0, 200, 100, 600, 600);
    RECT client;
    ASSERT_TRUE(GetClientRect(window, &client));
    log.clear();
    EXPECT_FALSE(ShowWindow(window, SW_SHOW)); // was hidden
    EXPECT_TRUE(ShowWindow(window, SW_HIDE));
    EXPECT_FALSE(ShowWindow(window, SW_SHOW));
    EXPECT_EQ(log.messages(kLifeMessages),
              (std::vector<UINT>{WM_SHOWWINDOW, WM_SIZE, WM_MOVE, WM_SHOWWINDOW, WM_SHOWWINDOW}));
    auto all = log.all();
    EXPECT_EQ(all[1].lParam, MAKELPARAM(client.right, client.bottom));
    DestroyWindow(window);
}

TEST(WindowLifecycle, MoveWindowSendsSizeWithTheNewClientSize)
{
    MessageLog log;
    HWND child_parent = createRecorded(log, WS_OVERLAPPEDWINDOW);
    MessageLog childLog;
    HWND child = createRecorded(childLog, WS_CHILD | WS_BORDER, child_parent, 7, 0, 0, 10, 10);
    childLog.clear();

    ASSERT_TRUE(MoveWindow(child, 5, 6, 300, 200, TRUE));
    EXPECT_EQ(childLog.messages({WM_MOVE, WM_SIZE}), (std::vector<UINT>{WM_MOVE, WM_SIZE}));
    // One border pixel on each side of a WS_BORDER window: the client area starts one pixel in.
    auto received = childLog.all();
    EXPECT_EQ(received[received.size() - 2].lParam, MAKELPARAM(6, 7));
    EXPECT_EQ(received.back().lParam, MAKELPARAM(298, 198));
    RECT client;
    GetClientRect(child, &client);
    EXPECT_EQ(client.right, 298);
    EXPECT_EQ(client.bottom, 198);

    // Same place again: the size is still sent, the move is not.
    childLog.clear();
    MoveWindow(child, 5, 6, 300, 200, TRUE);
    EXPECT_EQ(childLog.messages({WM_MOVE, WM_SIZE}), (std::vector<UINT>{WM_SIZE}));
    DestroyWindow(child_parent);
}

TEST(WindowLifecycle, ChildRectanglesAreInScreenCoordinatesThroughTheParentsClientArea)
{
    MessageLog log;
    HWND frame = createRecorded(log, WS_OVERLAPPEDWINDOW, nullptr, 0, 200, 100, 600, 600);
    HWND child = createRecorded(log, WS_CHILD, frame, 1, 10, 20, 50, 60);
    RECT frameRect, frameClient, childRect;
    GetWindowRect(frame, &frameRect);
    GetClientRect(frame, &frameClient);
    GetWindowRect(child, &childRect);
    EXPECT_EQ(frameRect.left, 200);
    EXPECT_EQ(frameRect.top, 100);
    EXPECT_EQ(frameRect.right - frameRect.left, 600);
    int edge = (600 - frameClient.right) / 2;
    int top = 600 - frameClient.bottom - edge;
    EXPECT_EQ(childRect.left, 200 + edge + 10);
    EXPECT_EQ(childRect.top, 100 + top + 20);
    EXPECT_EQ(childRect.right - childRect.left, 50);

    // A menu bar takes room from the client area.
    HMENU bar = CreateMenu();
    SetMenu(frame, bar);
    RECT withMenu;
    GetClientRect(frame, &withMenu);
    EXPECT_LT(withMenu.bottom, frameClient.bottom);
    EXPECT_EQ(withMenu.right, frameClient.right);
    DestroyWindow(frame);
    EXPECT_FALSE(IsMenu(bar)); // the menu bar went with its window
}

TEST(WindowLifecycle, DestroyWindowDestroysChildrenBeforeTheParentIsGone)
{
    MessageLog log;
    HWND parent = createRecorded(log);
    HWND first = createRecorded(log, WS_CHILD, parent, 1);
    HWND grandchild = createRecorded(log, WS_CHILD, first, 3);
    HWND second = createRecorded(log, WS_CHILD, parent, 2);
    log.clear();

    ASSERT_TRUE(DestroyWindow(parent));
    using Step = std::pair<HWND, UINT>;
    EXPECT_EQ(log.sequence({WM_DESTROY, WM_NCDESTROY}),
              (std::vector<Step>{{parent, WM_DESTROY},
                                 {first, WM_DESTROY},
                                 {grandchild, WM_DESTROY},
                                 {grandchild, WM_NCDESTROY},
                                 {first, WM_NCDESTROY},
                                 {second, WM_DESTROY},
                                 {second, WM_NCDESTROY},
                                 {parent, WM_NCDESTROY}}));
    for (HWND gone : {parent, first, grandchild, second})
        EXPECT_FALSE(IsWindow(gone));
}

TEST(WindowLifecycle, DestroyingAChildRemovesItFromItsParent)
{
    MessageLog log;
    HWND parent = createRecorded(log);
    HWND child = createRecorded(log, WS_CHILD, parent, 4);
    EXPECT_EQ(GetDlgItem(parent, 4), child);
    EXPECT_EQ(GetParent(child), parent);
    DestroyWindow(child);
    EXPECT_EQ(GetDlgItem(parent, 4), nullptr);
    EXPECT_TRUE(winlayer::childWindows(parent).empty());
    DestroyWindow(parent);
}

TEST(WindowLifecycle, CloseByDefaultDestroysTheWindow)
{
    MessageLog log;
    HWND window = createRecorded(log);
    log.clear();
    ASSERT_TRUE(PostMessageA(window, WM_CLOSE, 0, 0));
    pumpMessages();
    EXPECT_EQ(log.messages({WM_CLOSE, WM_DESTROY, WM_NCDESTROY}),
              (std::vector<UINT>{WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(window));
}

TEST(WindowLifecycle, ACloseHandledByTheProcedureKeepsTheWindow)
{
    MessageLog log;
    log.setHandler([](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_CLOSE)
            return 0;
        return std::nullopt;
    });
    HWND window = createRecorded(log);
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(window));
    DestroyWindow(window);
}

TEST(WindowLifecycle, StaleHandlesAreRecognisedAndRefused)
{
    MessageLog log;
    HWND window = createRecorded(log);
    ASSERT_TRUE(DestroyWindow(window));
    // A new window may take the freed slot; the old handle must still be stale.
    MessageLog otherLog;
    HWND other = createRecorded(otherLog);
    EXPECT_NE(other, window);
    log.clear();

    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(SendMessageA(window, WM_USER, 0, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(PostMessageA(window, WM_USER, 0, 0));
    EXPECT_FALSE(DestroyWindow(window));
    RECT rect;
    EXPECT_FALSE(GetClientRect(window, &rect));
    EXPECT_FALSE(ShowWindow(window, SW_SHOW));
    EXPECT_FALSE(SetWindowTextA(window, "x"));
    EXPECT_FALSE(winlayer::windowState(window).has_value());
    EXPECT_TRUE(log.all().empty());
    EXPECT_EQ(otherLog.messages({WM_USER}), std::vector<UINT>{});
    EXPECT_FALSE(IsWindow(nullptr));
    EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(0x1234)));
    DestroyWindow(other);
}

TEST(WindowLifecycle, HandlesFitIn31BitsAndStayStaleAcrossSlotReuse)
{
    MessageLog log;
    HWND first = createRecorded(log);
    DestroyWindow(first);
    for (int i = 0; i < 2000; ++i) {
        HWND window =
            CreateWindowExA(0, "edit", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window, first);
        ASSERT_EQ(reinterpret_cast<UINT_PTR>(window) >> 31, 0u);
        DestroyWindow(window);
        ASSERT_FALSE(IsWindow(first));
    }
    // Handles of other kinds are never taken for windows, nor windows for menus.
    HMENU menu = CreateMenu();
    EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(menu)));
    MessageLog otherLog;
    HWND window = createRecorded(otherLog);
    EXPECT_FALSE(IsMenu(reinterpret_cast<HMENU>(window)));
    DestroyWindow(window);
    DestroyMenu(menu);
}

TEST(WindowLifecycle, CreationFailsCleanlyWhenNoHandleIsLeft)
{
    std::vector<HWND> windows;
    for (;;) {
        HWND window =
            CreateWindowExA(0, "BUTTON", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        if (!window)
            break;
        windows.push_back(window);
        ASSERT_LT(windows.size(), 100000u);
    }
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_GT(windows.size(), 10000u);
    for (HWND window : windows)
        DestroyWindow(window);
    HWND again =
        CreateWindowExA(0, "BUTTON", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(again, nullptr);
    DestroyWindow(again);
}

TEST(WindowLifecycle, OnlyTheOwningThreadMayDestroyAWindow)
{
    MessageLog log;
    HWND window = createRecorded(log);
    BOOL destroyed = TRUE;
    DWORD error = 0;
    std::thread([&] {
        destroyed = DestroyWindow(window);
        error = GetLastError();
    }).join();
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(error, ERROR_ACCESS_DENIED);
    EXPECT_TRUE(IsWindow(window));
    DestroyWindow(window);
}

TEST(WindowLifecycle, WindowTextOfOrdinaryWindows)
{
    MessageLog log;
    HWND window = createRecorded(log);
    EXPECT_EQ(GetWindowTextLengthA(window), 8); // "recorded"
    ASSERT_TRUE(SetWindowTextA(window, "Title text"));
    char buffer[6];
    EXPECT_EQ(GetWindowTextA(window, buffer, sizeof buffer), 5);
    EXPECT_STREQ(buffer, "Title");
    // Another thread reads the text without waiting for this one.
    std::string seen;
    std::thread([&] {
        char whole[64];
        GetWindowTextA(window, whole, sizeof whole);
        seen = whole;
    }).join();
    EXPECT_EQ(seen, "Title text");
    DestroyWindow(window);
}

TEST(WindowLifecycle, ClassesRegisterOnceAndUnregisterOnlyWithoutWindows)
{
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "lifecycleTestClass";
    ATOM atom = RegisterClassExA(&windowClass);
    ASSERT_NE(atom, 0);
    EXPECT_EQ(RegisterClassExA(&windowClass), 0);
    EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);
    HWND window = CreateWindowExA(0, "LIFECYCLETESTCLASS", "", 0, 0, 0, 1, 1, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(window, nullptr); // names match without regard to case
    EXPECT_FALSE(UnregisterClassA("lifecycleTestClass", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_CLASS_HAS_WINDOWS);
    DestroyWindow(window);
    EXPECT_TRUE(UnregisterClassA("lifecycleTestClass", nullptr));
    EXPECT_NE(RegisterClassExA(&windowClass), 0);
    EXPECT_TRUE(UnregisterClassA("lifecycleTestClass", nullptr));
}

} // namespace
