#include "platform/posix/window/thread_queue.h"

#include "platform/posix/window/control.h"
#include "platform/posix/window/window_lifecycle.h"
#include "platform/posix/window/window_object.h"

#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>
#include <map>
#include <vector>

namespace winlayer {
namespace {

struct QueueRegistry {
    std::mutex mutex;
    std::map<DWORD, std::weak_ptr<ThreadQueue>> byThread;
};

QueueRegistry& queueRegistry()
{
    static QueueRegistry& instance = *new QueueRegistry; // outlives every thread's clean-up
    return instance;
}

thread_local int sentMessageDepth = 0;

void complete(SentMessage& message, LRESULT result)
{
    std::lock_guard lock(message.sender->mutex);
    message.done = true;
    message.result = result;
    message.sender->changed.notify_all();
}

// Ends the thread's queue: waiting senders are released, undelivered messages dropped, and the
// thread's windows destroyed without messages, since their procedures can no longer run.
void closeQueue(const std::shared_ptr<ThreadQueue>& queue)
{
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<SentMessage>> sent;
    {
        std::lock_guard lock(queue->mutex);
        queue->dead = true;
        posted.swap(queue->posted);
        sent.swap(queue->sent);
    }
    for (auto& message : sent)
        complete(*message, 0);
    for (const MSG& message : posted)
        discardPostedMessage(message);
    for (const auto& window : allWindows())
        if (window->threadId == queue->threadId)
            finalizeWindow(window);
    std::lock_guard lock(queueRegistry().mutex);
    queueRegistry().byThread.erase(queue->threadId);
}

// Set once the thread's queue has been closed; plain data, so it stays readable while the
// thread's remaining clean-up (static destructors on the main thread) still runs.
thread_local bool queueClosed = false;

struct QueueHolder {
    std::shared_ptr<ThreadQueue> queue;
    ~QueueHolder()
    {
        if (queue)
            closeQueue(queue);
        queue.reset();
        queueClosed = true;
    }
};

thread_local QueueHolder currentHolder;

} // namespace

ThreadQueue::ThreadQueue(DWORD id)
    : threadId(id), wakeDescriptor(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{}

ThreadQueue::~ThreadQueue()
{
    if (wakeDescriptor >= 0)
        close(wakeDescriptor);
}

void ThreadQueue::wake()
{
    {
        // Notified under the lock so a waiter cannot miss it between its check and its wait.
        std::lock_guard lock(mutex);
        changed.notify_all();
    }
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t written = write(wakeDescriptor, &one, sizeof one);
}

void ThreadQueue::drainWake()
{
    std::uint64_t count;
    [[maybe_unused]] ssize_t got = read(wakeDescriptor, &count, sizeof count);
}

std::shared_ptr<ThreadQueue> currentQueue()
{
    // Code that runs after the thread's clean-up (a static destructor that sends a message, say)
    // gets a queue of its own that nobody can post to: its sends still wait for their replies.
    if (queueClosed)
        return std::make_shared<ThreadQueue>(GetCurrentThreadId());
    if (!currentHolder.queue) {
        currentHolder.queue = std::make_shared<ThreadQueue>(GetCurrentThreadId());
        std::lock_guard lock(queueRegistry().mutex);
        queueRegistry().byThread[currentHolder.queue->threadId] = currentHolder.queue;
    }
    return currentHolder.queue;
}

std::shared_ptr<ThreadQueue> queueOfThread(DWORD threadId)
{
    std::lock_guard lock(queueRegistry().mutex);
    auto found = queueRegistry().byThread.find(threadId);
    return found == queueRegistry().byThread.end() ? nullptr : found->second.lock();
}

bool postToQueue(ThreadQueue& queue, const MSG& message, const Window* window)
{
    {
        std::lock_guard lock(queue.mutex);
        // Checked under the queue's lock: a window being destroyed clears `alive` before it
        // purges this queue, so nothing posted to it can stay behind.
        if (queue.dead || (window && !window->alive))
            return false;
        queue.posted.push_back(message);
    }
    queue.wake();
    return true;
}

LRESULT callWindow(const std::shared_ptr<Window>& window, UINT message, WPARAM wParam,
                   LPARAM lParam)
{
    WNDPROC proc;
    {
        std::lock_guard lock(window->mutex);
        proc = window->proc;
    }
    if (window->control) {
        if (!proc)
            return window->control->handle(*window, message, wParam, lParam);
        std::lock_guard lock(window->subclassLock);
        return proc(window->handle, message, wParam, lParam);
    }
    return proc ? proc(window->handle, message, wParam, lParam) : 0;
}

namespace {

// Handles one message sent from another thread on this thread and releases its sender; a
// message for a window that died meanwhile is answered with 0.
void deliverSent(SentMessage& incoming)
{
    std::shared_ptr<Window> receiver = findWindow(incoming.hwnd);
    LRESULT result = 0;
    if (receiver && receiver->alive) {
        ++sentMessageDepth;
        result = callWindow(receiver, incoming.message, incoming.wParam, incoming.lParam);
        --sentMessageDepth;
    }
    complete(incoming, result);
}

} // namespace

LRESULT sendToWindow(const std::shared_ptr<Window>& window, UINT message, WPARAM wParam,
                     LPARAM lParam)
{
    if (window->control || window->threadId == GetCurrentThreadId())
        return callWindow(window, message, wParam, lParam);
    return sendToOtherThread(window, message, wParam, lParam);
}

LRESULT sendToOtherThread(const std::shared_ptr<Window>& window, UINT message, WPARAM wParam,
                          LPARAM lParam)
{
    std::shared_ptr<ThreadQueue> self = currentQueue();
    ThreadQueue& target = *window->queue;
    auto sent =
        std::make_shared<SentMessage>(SentMessage{window->handle, message, wParam, lParam, self});
    {
        std::lock_guard lock(target.mutex);
        if (target.dead || !window->alive) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        target.sent.push_back(sent);
    }
    target.wake();

    std::unique_lock lock(self->mutex);
    while (!sent->done) {
        // Serve whatever is sent to us meanwhile, so two threads sending to each other both
        // make progress.
        if (!self->sent.empty()) {
            std::shared_ptr<SentMessage> incoming = std::move(self->sent.front());
            self->sent.pop_front();
            lock.unlock();
            deliverSent(*incoming);
            lock.lock();
            continue;
        }
        self->changed.wait(lock);
    }
    return sent->result;
}

bool serveOneSentMessage(ThreadQueue& queue)
{
    std::shared_ptr<SentMessage> incoming;
    {
        std::lock_guard lock(queue.mutex);
        if (queue.sent.empty())
            return false;
        incoming = std::move(queue.sent.front());
        queue.sent.pop_front();
    }
    deliverSent(*incoming);
    return true;
}

void purgeWindowMessages(ThreadQueue& queue, HWND window)
{
    std::vector<MSG> dropped;
    std::vector<std::shared_ptr<SentMessage>> released;
    {
        std::lock_guard lock(queue.mutex);
        for (auto it = queue.posted.begin(); it != queue.posted.end();) {
            if (it->hwnd == window) {
                dropped.push_back(*it);
                it = queue.posted.erase(it);
            } else {
                ++it;
            }
        }
        for (auto it = queue.sent.begin(); it != queue.sent.end();) {
            if ((*it)->hwnd == window) {
                released.push_back(*it);
                it = queue.sent.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const MSG& message : dropped)
        discardPostedMessage(message);
    for (auto& message : released)
        complete(*message, 0);
}

void discardPostedMessage(const MSG& message)
{
    if (message.message == WM_DROPFILES)
        DragFinish(reinterpret_cast<HDROP>(message.wParam));
}

bool inSentMessage()
{
    return sentMessageDepth > 0;
}

} // namespace winlayer

DWORD GetCurrentThreadId()
{
    static thread_local DWORD id = static_cast<DWORD>(syscall(SYS_gettid));
    return id;
}
