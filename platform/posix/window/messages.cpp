// Posting, sending, peeking, dispatching, and waiting for input.
#include "platform/posix/process/kernel_object.h"
#include "platform/posix/window/thread_queue.h"
#include "platform/posix/window/window_object.h"
#include "platform/winlayer/display_driver.h"
#include "platform/winlayer/waits.h"

#include <algorithm>
#include <chrono>
#include <vector>

using namespace winlayer;

namespace {

using Clock = std::chrono::steady_clock;

// How often waits look at what cannot wake them: kernel objects, and a caller's wait step.
constexpr DWORD kObjectPollMilliseconds = 1;
constexpr DWORD kWaitStepMilliseconds = 2;

DWORD messageTime()
{
    auto now =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch());
    return static_cast<DWORD>(now.count());
}

bool inRange(UINT message, UINT first, UINT last)
{
    return (first == 0 && last == 0) || (message >= first && message <= last);
}

// Milliseconds left until the deadline; INFINITE stays INFINITE.
DWORD remaining(DWORD total, Clock::time_point start)
{
    if (total == INFINITE)
        return INFINITE;
    auto spent =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    return spent >= total ? 0 : static_cast<DWORD>(total - spent);
}

// Sent messages wake only a wait that asks for them; posted ones (the quit included) any other.
bool hasWantedInput(ThreadQueue& queue, DWORD wakeMask)
{
    std::lock_guard lock(queue.mutex);
    bool posted = !queue.posted.empty() || queue.quitPosted;
    return ((wakeMask & QS_SENDMESSAGE) && !queue.sent.empty()) ||
           ((wakeMask & ~QS_SENDMESSAGE) && posted);
}

bool waitForQueueInput(ThreadQueue& queue, DWORD milliseconds, DWORD wakeMask = QS_ALLINPUT)
{
    Clock::time_point start = Clock::now();
    for (;;) {
        // Drained before looking, so anything queued after the look still wakes the wait.
        queue.drainWake();
        if (hasWantedInput(queue, wakeMask))
            return true;
        DWORD left = remaining(milliseconds, start);
        if (left == 0)
            return false;
        displayDriver().waitForInput(queue.wakeDescriptor, left);
    }
}

} // namespace

BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    MSG message{hWnd, Msg, wParam, lParam, messageTime(), {0, 0}};
    if (!hWnd)
        return postToQueue(*currentQueue(), message, nullptr) ? TRUE : FALSE;
    std::shared_ptr<Window> window = findWindow(hWnd);
    if (!window)
        return FALSE;
    if (!postToQueue(*window->queue, message, window.get())) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL PostThreadMessageA(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<ThreadQueue> queue = queueOfThread(idThread);
    MSG message{nullptr, Msg, wParam, lParam, messageTime(), {0, 0}};
    if (!queue || !postToQueue(*queue, message, nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

void PostQuitMessage(int nExitCode)
{
    std::shared_ptr<ThreadQueue> queue = currentQueue();
    {
        std::lock_guard lock(queue->mutex);
        queue->quitPosted = true;
        queue->quitCode = nExitCode;
    }
    queue->wake();
}

BOOL PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg)
{
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    displayDriver().pumpEvents();
    std::shared_ptr<ThreadQueue> queue = currentQueue();
    while (serveOneSentMessage(*queue)) {
    }

    // A window filter takes the window's own messages and those of its descendants; -1 takes
    // only messages posted to the thread itself.
    bool threadOnly = hWnd == reinterpret_cast<HWND>(-1);
    std::vector<HWND> accepted;
    if (hWnd && !threadOnly)
        accepted = windowAndDescendants(hWnd);
    auto wanted = [&](const MSG& message) {
        if (!inRange(message.message, wMsgFilterMin, wMsgFilterMax))
            return false;
        if (threadOnly)
            return message.hwnd == nullptr;
        return !hWnd || std::find(accepted.begin(), accepted.end(), message.hwnd) != accepted.end();
    };

    std::lock_guard lock(queue->mutex);
    for (auto it = queue->posted.begin(); it != queue->posted.end(); ++it) {
        if (!wanted(*it))
            continue;
        *lpMsg = *it;
        if (wRemoveMsg & PM_REMOVE)
            queue->posted.erase(it);
        return TRUE;
    }
    // WM_QUIT comes once everything posted before it has been taken.
    if (queue->quitPosted && !hWnd && inRange(WM_QUIT, wMsgFilterMin, wMsgFilterMax)) {
        *lpMsg =
            MSG{nullptr, WM_QUIT, static_cast<WPARAM>(queue->quitCode), 0, messageTime(), {0, 0}};
        if (wRemoveMsg & PM_REMOVE)
            queue->quitPosted = false;
        return TRUE;
    }
    return FALSE;
}

BOOL GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax)
{
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (hWnd && !IsWindow(hWnd))
        return -1;
    std::shared_ptr<ThreadQueue> queue = currentQueue();
    while (!PeekMessageA(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, PM_REMOVE))
        waitForQueueInput(*queue, INFINITE);
    return lpMsg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG*)
{
    return FALSE; // no keyboard messages to translate
}

LRESULT DispatchMessageA(const MSG* lpMsg)
{
    if (!lpMsg || !lpMsg->hwnd)
        return 0;
    std::shared_ptr<Window> window = findWindow(lpMsg->hwnd);
    if (!window || !window->alive)
        return 0;
    return callWindow(window, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<Window> window = findWindow(hWnd);
    if (!window)
        return 0;
    return sendToWindow(window, Msg, wParam, lParam);
}

BOOL InSendMessage()
{
    return inSentMessage() ? TRUE : FALSE;
}

DWORD MsgWaitForMultipleObjects(DWORD nCount, const HANDLE* pHandles, BOOL fWaitAll,
                                DWORD dwMilliseconds, DWORD dwWakeMask)
{
    if (fWaitAll || (nCount > 0 && !pHandles)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::vector<std::shared_ptr<posix_process::KernelObject>> objects;
    for (DWORD i = 0; i < nCount; ++i) {
        objects.push_back(posix_process::lookupHandle(pHandles[i]));
        if (!objects.back()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
    }
    std::shared_ptr<ThreadQueue> queue = currentQueue();
    if (objects.empty())
        return waitForQueueInput(*queue, dwMilliseconds, dwWakeMask) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;

    // The objects cannot wake our descriptor, so they are looked at between short waits.
    Clock::time_point start = Clock::now();
    for (;;) {
        for (DWORD i = 0; i < nCount; ++i)
            if (objects[i]->wait(0) == WAIT_OBJECT_0)
                return WAIT_OBJECT_0 + i;
        DWORD left = remaining(dwMilliseconds, start);
        if (waitForQueueInput(*queue, std::min<DWORD>(left, kObjectPollMilliseconds), dwWakeMask))
            return WAIT_OBJECT_0 + nCount;
        if (left == 0)
            return WAIT_TIMEOUT;
    }
}

namespace winlayer {

int queueWakeDescriptor()
{
    return currentQueue()->wakeDescriptor;
}

bool waitForInput(DWORD milliseconds)
{
    return waitForQueueInput(*currentQueue(), milliseconds);
}

bool waitServingSentMessages(const std::function<bool(DWORD milliseconds)>& waitStep,
                             DWORD timeoutMilliseconds)
{
    std::shared_ptr<ThreadQueue> queue = currentQueue();
    Clock::time_point start = Clock::now();
    for (;;) {
        while (serveOneSentMessage(*queue)) {
        }
        DWORD left = remaining(timeoutMilliseconds, start);
        if (waitStep(std::min<DWORD>(left, kWaitStepMilliseconds)))
            return true;
        if (left == 0)
            return false;
    }
}

} // namespace winlayer
