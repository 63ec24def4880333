// SendMessageA between threads: the sender waits for the owner, the owner serves sent messages
// wherever it waits, and no pair of threads can deadlock on each other.
#include "platform/window/message_log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "support/waiting.h"

using namespace window_test;

namespace {

using namespace std::chrono_literals;

// A thread that owns one recorded window and runs a polling loop until told to stop.
class WindowThread {
public:
    explicit WindowThread(MessageLog& log)
    {
        std::promise<HWND> created;
        auto handle = created.get_future();
        thread_ = std::thread([this, &log, &created] {
            HWND window = createRecorded(log);
            created.set_value(window);
            while (!stop_) {
                pumpMessages();
                winlayer::waitForInput(10);
            }
            DestroyWindow(window);
        });
        window_ = handle.get();
    }
    ~WindowThread()
    {
        stop_ = true;
        thread_.join();
    }
    HWND window() const { return window_; }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
    HWND window_ = nullptr;
};

TEST(CrossThreadSend, RunsOnTheOwnerThreadAndReturnsItsResult)
{
    MessageLog log;
    log.setHandler([](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
        if (message == WM_USER)
            return static_cast<LRESULT>(wParam + lParam);
        return std::nullopt;
    });
    WindowThread owner(log);
    EXPECT_EQ(SendMessageA(owner.window(), WM_USER, 40, 2), 42);
    auto received = log.all();
    ASSERT_FALSE(received.empty());
    EXPECT_NE(received.back().threadId, GetCurrentThreadId());
    EXPECT_EQ(received.back().threadId, GetWindowThreadProcessId(owner.window(), nullptr));
}

TEST(CrossThreadSend, TheSenderBlocksUntilTheOwnerHasHandledTheMessage)
{
    MessageLog log;
    HWND window = createRecorded(log);
    std::atomic<bool> returned{false};
    std::promise<int> senderId;
    std::thread sender([&] {
        senderId.set_value(currentThreadId());
        SendMessageA(window, WM_USER, 0, 0);
        returned = true;
    });
    EXPECT_TRUE(waitUntilBlocked(senderId.get_future().get()));
    EXPECT_FALSE(returned); // this thread has not looked at its queue yet
    EXPECT_TRUE(log.messages({WM_USER}).empty());
    MSG message;
    // Serving happens inside PeekMessageA; the sent message is never returned as posted.
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    sender.join();
    EXPECT_TRUE(returned);
    EXPECT_EQ(log.messages({WM_USER}), std::vector<UINT>{WM_USER});
    DestroyWindow(window);
}

TEST(CrossThreadSend, SentMessagesAreHandledBeforePostedOnes)
{
    MessageLog log;
    HWND window = createRecorded(log);
    PostMessageA(window, WM_USER + 1, 0, 0);
    std::thread sender([&] { SendMessageA(window, WM_USER + 2, 0, 0); });
    // Waits until the sent message is queued behind the posted one, without serving it.
    ASSERT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 10000, QS_SENDMESSAGE), WAIT_OBJECT_0);
    log.clear();
    pumpMessages();
    sender.join();
    EXPECT_EQ(log.messages({WM_USER + 1, WM_USER + 2}),
              (std::vector<UINT>{WM_USER + 2, WM_USER + 1}));
    DestroyWindow(window);
}

TEST(CrossThreadSend, TwoThreadsSendingToEachOtherDoNotDeadlock)
{
    // Each window's procedure, on a message from outside, sends to the other thread's window.
    MessageLog logA;
    MessageLog logB;
    std::promise<HWND> windowA;
    std::promise<HWND> windowB;
    auto futureA = windowA.get_future().share();
    auto futureB = windowB.get_future().share();
    std::atomic<int> replies{0};

    auto run = [&](MessageLog& log, std::promise<HWND>& mine, std::shared_future<HWND> theirs) {
        HWND window = createRecorded(log);
        log.setHandler(
            [&, theirs](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
                if (message == WM_APP && wParam > 0)
                    return SendMessageA(theirs.get(), WM_APP, wParam - 1, 0) + 1;
                if (message == WM_APP)
                    return 100;
                return std::nullopt;
            });
        mine.set_value(window);
        // Both start their chain at once, so each is inside SendMessageA to the other.
        replies += static_cast<int>(SendMessageA(theirs.get(), WM_APP, 5, 0));
        while (replies < 210) {
            pumpMessages();
            winlayer::waitForInput(5);
        }
        DestroyWindow(window);
    };
    std::thread a(run, std::ref(logA), std::ref(windowA), futureB);
    std::thread b(run, std::ref(logB), std::ref(windowB), futureA);
    a.join();
    b.join();
    EXPECT_EQ(replies, 210); // 100 + 5 hops, twice
}

TEST(CrossThreadSend, AWindowDestroyedWhileASenderWaitsReleasesTheSender)
{
    MessageLog log;
    HWND window = createRecorded(log);
    std::promise<LRESULT> result;
    std::thread sender([&] { result.set_value(SendMessageA(window, WM_USER, 0, 0)); });
    // The send is queued, not yet served.
    ASSERT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 10000, QS_SENDMESSAGE), WAIT_OBJECT_0);
    DestroyWindow(window);
    auto answer = result.get_future();
    ASSERT_EQ(answer.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(answer.get(), 0);
    sender.join();
    EXPECT_TRUE(log.messages({WM_USER}).empty());
}

TEST(CrossThreadSend, AThreadThatEndsReleasesItsSendersAndItsWindowsGoStale)
{
    MessageLog log;
    std::promise<HWND> created;
    std::promise<void> finish;
    std::thread owner([&] {
        created.set_value(createRecorded(log));
        finish.get_future().wait(); // never looks at its queue
    });
    HWND window = created.get_future().get();
    std::promise<LRESULT> result;
    std::promise<int> senderId;
    std::thread sender([&] {
        senderId.set_value(currentThreadId());
        result.set_value(SendMessageA(window, WM_USER, 0, 0));
    });
    EXPECT_TRUE(waitUntilBlocked(senderId.get_future().get())); // the send waits for the owner
    finish.set_value();
    owner.join();
    auto answer = result.get_future();
    ASSERT_EQ(answer.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(answer.get(), 0);
    sender.join();
    EXPECT_FALSE(IsWindow(window));
}

TEST(CrossThreadSend, TheOwnerServesSendsWhileItWaitsForAWorker)
{
    // The owner waits for a worker that needs the owner to answer its sends.
    MessageLog log;
    HWND window = createRecorded(log);
    std::atomic<bool> workerDone{false};
    std::thread worker([&] {
        for (int i = 0; i < 20; ++i)
            SendMessageA(window, WM_USER, static_cast<WPARAM>(i), 0);
        workerDone = true;
    });
    bool finished = winlayer::waitServingSentMessages(
        [&](DWORD milliseconds) {
            return waitUntil([&] { return workerDone.load(); },
                             std::chrono::milliseconds(milliseconds), std::chrono::milliseconds(1));
        },
        10000);
    worker.join();
    EXPECT_TRUE(finished);
    EXPECT_EQ(log.messages({WM_USER}).size(), 20u);

    // A wait that never succeeds ends at its time-out.
    EXPECT_FALSE(winlayer::waitServingSentMessages([](DWORD) { return false; }, 20));
    DestroyWindow(window);
}

// Sends from the very end of a thread's life, after the layer's own clean-up for that thread.
struct LateSender {
    HWND target = nullptr;
    std::atomic<LRESULT>* result = nullptr;
    ~LateSender()
    {
        if (target)
            *result = SendMessageA(target, WM_USER, 7, 0);
    }
};

TEST(CrossThreadSend, ASendFromAThreadsLastCleanUpStillGetsItsReply)
{
    MessageLog log;
    log.setHandler([](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_USER)
            return static_cast<LRESULT>(wParam * 2);
        return std::nullopt;
    });
    HWND window = createRecorded(log);
    std::atomic<LRESULT> result{-1};
    std::thread thread([&] {
        thread_local LateSender late; // made before the thread's queue, so destroyed after it
        late.target = window;
        late.result = &result;
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    });
    auto deadline = std::chrono::steady_clock::now() + 10s;
    while (result == -1 && std::chrono::steady_clock::now() < deadline) {
        pumpMessages();
        winlayer::waitForInput(10);
    }
    thread.join();
    EXPECT_EQ(result, 14);
    DestroyWindow(window);
}

TEST(CrossThreadSend, SendingToOneselfCallsTheProcedureDirectly)
{
    MessageLog log;
    HWND window = createRecorded(log);
    log.setHandler([](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_USER)
            return InSendMessage() ? 2 : 1;
        return std::nullopt;
    });
    EXPECT_EQ(SendMessageA(window, WM_USER, 0, 0), 1); // not a message from another thread
    LRESULT fromOutside = 0;
    std::thread sender([&] { fromOutside = SendMessageA(window, WM_USER, 0, 0); });
    while (!winlayer::waitForInput(10)) {
    }
    pumpMessages();
    sender.join();
    EXPECT_EQ(fromOutside, 2);
    DestroyWindow(window);
}

} // namespace
