// One thread's queue: order, filters, WM_QUIT, and the wait for input.
#include "platform/window/message_log.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/waiting.h"

using namespace window_test;

namespace {

using Clock = std::chrono::steady_clock;

TEST(MessageQueue, PostedMessagesComeOutInOrderAndPeekWithoutRemoveLeavesThem)
{
    MessageLog log;
    HWND window = createRecorded(log);
    for (UINT i = 0; i < 3; ++i)
        PostMessageA(window, WM_USER + i, i, 0);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_USER));
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_USER)); // still there
    log.clear();
    EXPECT_EQ(pumpMessages(), 3);
    EXPECT_EQ(log.messages(), (std::vector<UINT>{WM_USER, WM_USER + 1, WM_USER + 2}));
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    DestroyWindow(window);
}

TEST(MessageQueue, FiltersSelectByRangeAndByWindowWithItsChildren)
{
    MessageLog log;
    HWND parent = createRecorded(log);
    HWND child = createRecorded(log, WS_CHILD, parent, 1);
    MessageLog otherLog;
    HWND other = createRecorded(otherLog);
    PostMessageA(other, WM_USER + 1, 0, 0);
    PostMessageA(child, WM_USER + 2, 0, 0);
    PostMessageA(parent, WM_APP, 0, 0);
    PostMessageA(nullptr, WM_USER + 3, 0, 0); // to the thread

    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, parent, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.hwnd, child);
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_APP, WM_APP, PM_REMOVE));
    EXPECT_EQ(message.hwnd, parent);
    ASSERT_TRUE(PeekMessageA(&message, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
    EXPECT_EQ(message.hwnd, nullptr);
    EXPECT_EQ(message.message, static_cast<UINT>(WM_USER + 3));
    EXPECT_FALSE(PeekMessageA(&message, parent, 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.hwnd, other);
    DestroyWindow(parent);
    DestroyWindow(other);
}

TEST(MessageQueue, QuitComesAfterWhatWasPostedBeforeIt)
{
    MessageLog log;
    HWND window = createRecorded(log);
    PostMessageA(window, WM_USER, 0, 0);
    PostQuitMessage(3);
    PostMessageA(window, WM_USER + 1, 0, 0);
    MSG message;
    std::vector<UINT> order;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        order.push_back(message.message);
        if (message.message == WM_QUIT) {
            EXPECT_EQ(message.wParam, 3u);
        }
    }
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_USER + 1, WM_QUIT}));
    DestroyWindow(window);
}

TEST(MessageQueue, GetMessageReturnsFalseOnQuitAndWaitsForPostsFromOtherThreads)
{
    MessageLog log;
    HWND window = createRecorded(log);
    const int self = currentThreadId();
    std::thread poster([window, self] {
        waitUntilBlocked(self); // in GetMessageA
        PostMessageA(window, WM_USER, 1, 2);
        PostMessageA(window, WM_CLOSE, 0, 0);
    });
    log.setHandler([](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_DESTROY)
            PostQuitMessage(0);
        return std::nullopt;
    });
    MSG message;
    int dispatched = 0;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
        ++dispatched;
    }
    poster.join();
    EXPECT_EQ(dispatched, 2);
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_FALSE(IsWindow(window));
}

TEST(MessageQueue, MessagesOfADestroyedWindowAreDroppedNotDelivered)
{
    MessageLog log;
    HWND window = createRecorded(log);
    PostMessageA(window, WM_USER, 0, 0);
    PostMessageA(nullptr, WM_USER + 1, 0, 0);
    DestroyWindow(window);
    log.clear();
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_USER + 1));
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_TRUE(log.all().empty());
}

TEST(MessageQueue, WaitForInputEndsAtOnceWhenAMessageArrivesAndAtTheLimitOtherwise)
{
    MessageLog log;
    HWND window = createRecorded(log);

    Clock::time_point start = Clock::now();
    EXPECT_FALSE(winlayer::waitForInput(30));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(25));

    const int self = currentThreadId();
    std::thread poster([window, self] {
        waitUntilBlocked(self); // in MsgWaitForMultipleObjects
        PostMessageA(window, WM_USER, 0, 0);
    });
    start = Clock::now();
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 5000, QS_ALLINPUT), WAIT_OBJECT_0);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(2000));
    poster.join();

    // Input already waiting: no sleep at all, until it has been taken.
    EXPECT_TRUE(winlayer::waitForInput(5000));
    pumpMessages();
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT), WAIT_TIMEOUT);
    DestroyWindow(window);
}

TEST(MessageQueue, AWaitWakesOnlyForTheKindsOfInputItAsksFor)
{
    MessageLog log;
    HWND window = createRecorded(log);
    pumpMessages();
    PostMessageA(window, WM_USER, 0, 0);
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_SENDMESSAGE), WAIT_TIMEOUT);
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_POSTMESSAGE), WAIT_OBJECT_0);
    pumpMessages();

    std::thread sender([window] { SendMessageA(window, WM_USER, 0, 0); });
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 5000, QS_SENDMESSAGE), WAIT_OBJECT_0);
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_POSTMESSAGE), WAIT_TIMEOUT);
    pumpMessages(); // serves the send
    sender.join();
    DestroyWindow(window);
}

TEST(MessageQueue, WaitsOnHandlesThatAreNotObjectsFail)
{
    int notAHandle = 0;
    HANDLE handles[1] = {&notAHandle};
    EXPECT_EQ(MsgWaitForMultipleObjects(1, handles, FALSE, 0, QS_ALLINPUT), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, nullptr, FALSE, 0, QS_ALLINPUT), WAIT_FAILED);
}

TEST(MessageQueue, TheWakeDescriptorBecomesReadableOnAPost)
{
    MessageLog log;
    HWND window = createRecorded(log);
    pumpMessages();
    int descriptor = winlayer::queueWakeDescriptor();
    ASSERT_GE(descriptor, 0);
    std::thread([window] { PostMessageA(window, WM_USER, 0, 0); }).join();
    EXPECT_TRUE(winlayer::waitForInput(0));
    pumpMessages();
    DestroyWindow(window);
}

TEST(MessageQueue, PostThreadMessageReachesTheThreadsQueue)
{
    DWORD receiver = 0;
    std::atomic<bool> ready{false};
    UINT got = 0;
    std::thread thread([&] {
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE); // makes the queue
        receiver = GetCurrentThreadId();
        ready = true;
        GetMessageA(&message, nullptr, 0, 0);
        got = message.message;
    });
    while (!ready)
        std::this_thread::yield();
    EXPECT_TRUE(PostThreadMessageA(receiver, WM_APP + 5, 0, 0));
    thread.join();
    EXPECT_EQ(got, static_cast<UINT>(WM_APP + 5));
    EXPECT_FALSE(PostThreadMessageA(receiver, WM_APP, 0, 0)); // that thread has ended
}

} // namespace
