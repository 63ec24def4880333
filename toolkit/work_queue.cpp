#include "toolkit/work_queue.h"

#include <utility>

liveWorkQueue::liveWorkQueue(Thread& thread) : worker(thread) {}

void liveWorkQueue::post(std::function<void()> work)
{
    {
        std::lock_guard<std::mutex> guard(lock);
        pending.push_back(std::move(work));
        if (draining)
            return;
        draining = true;
    }
    // A previous drain has already let go of the queue; at most it is still leaving its thread, so
    // this start waits for nothing that needs the caller.
    if (worker.start([this] { drain(); }))
        return;
    // No thread could be made: the work cannot run, and nobody may wait for it forever.
    std::lock_guard<std::mutex> guard(lock);
    pending.clear();
    draining = false;
    becameIdle.notify_all();
}

void liveWorkQueue::drain()
{
    for (;;) {
        std::function<void()> work;
        {
            std::lock_guard<std::mutex> guard(lock);
            if (pending.empty()) {
                draining = false;
                becameIdle.notify_all();
                return;
            }
            work = std::move(pending.front());
            pending.pop_front();
        }
        work();
    }
}

void liveWorkQueue::discardPending()
{
    std::deque<std::function<void()>> discarded;
    {
        std::lock_guard<std::mutex> guard(lock);
        discarded.swap(pending);
        if (!draining)
            becameIdle.notify_all();
    }
    // Destroyed outside the lock: a piece of work may hold what takes it.
}

bool liveWorkQueue::idle()
{
    std::lock_guard<std::mutex> guard(lock);
    return !draining && pending.empty();
}

bool liveWorkQueue::waitIdle(std::chrono::milliseconds limit)
{
    std::unique_lock<std::mutex> guard(lock);
    return becameIdle.wait_for(guard, limit, [this] { return !draining && pending.empty(); });
}
