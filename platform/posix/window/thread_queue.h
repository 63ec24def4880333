// One message queue per thread: posted messages, messages sent from other threads awaiting their
// reply, the quit flag, and an eventfd that wakes a thread sleeping for input.
//
// Locking: a queue's mutex is held only around its own lists; nothing else is locked under it
// (a window's liveness is an atomic), and no procedure runs while it is held. Window mutexes
// guard a window's fields only. So no lock of the layer is ever held across a call to a window
// procedure, and threads sending to each other cannot deadlock on the layer's locks.
#pragma once

#include "platform/win32.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

namespace winlayer {

struct Window;
class ThreadQueue;

// A message sent from another thread; the sender waits until `done`.
struct SentMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::shared_ptr<ThreadQueue> sender;
    bool done = false; // guarded by sender->mutex
    LRESULT result = 0;
};

class ThreadQueue {
public:
    explicit ThreadQueue(DWORD threadId);
    ~ThreadQueue();
    ThreadQueue(const ThreadQueue&) = delete;
    ThreadQueue& operator=(const ThreadQueue&) = delete;

    const DWORD threadId;
    const int wakeDescriptor;

    std::mutex mutex;                // guards everything below
    std::condition_variable changed; // a message was sent to this thread, or a reply arrived
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<SentMessage>> sent;
    bool quitPosted = false;
    int quitCode = 0;
    bool dead = false; // the thread has ended

    // Call after adding something, without holding the mutex.
    void wake();
    // Empties the wake descriptor.
    void drainWake();
};

// The calling thread's queue, made on first use and closed when the thread ends.
std::shared_ptr<ThreadQueue> currentQueue();
std::shared_ptr<ThreadQueue> queueOfThread(DWORD threadId);

// Queues a posted message; false if the queue's thread has ended or `window` (if given) is gone.
bool postToQueue(ThreadQueue& queue, const MSG& message, const Window* window);

// Sends to a window of another thread and waits, serving the caller's own incoming sent
// messages meanwhile. 0 if the window or its thread goes away first.
LRESULT sendToOtherThread(const std::shared_ptr<Window>& window, UINT message, WPARAM wParam,
                          LPARAM lParam);

// Handles one message sent to the calling thread; false when none was waiting.
bool serveOneSentMessage(ThreadQueue& queue);

// A destroyed window: drops its posted messages and releases senders waiting on it.
void purgeWindowMessages(ThreadQueue& queue, HWND window);

// Calls the window's procedure (or its system control) on the calling thread.
LRESULT callWindow(const std::shared_ptr<Window>& window, UINT message, WPARAM wParam,
                   LPARAM lParam);
// SendMessageA without the handle lookup.
LRESULT sendToWindow(const std::shared_ptr<Window>& window, UINT message, WPARAM wParam,
                     LPARAM lParam);

// True while the calling thread handles a message sent from another thread.
bool inSentMessage();

// Frees what a posted message owns (the drop of a WM_DROPFILES) when it will never be delivered.
void discardPostedMessage(const MSG& message);

} // namespace winlayer
