#include "util/thread.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <utility>

#include "util/thread_priority.h"

struct Thread::Run {
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
};

namespace {

// The run the calling thread is executing, if any: lets a run recognise its own Thread.
thread_local const void* currentRun = nullptr;

} // namespace

Thread::~Thread()
{
    join();
    // Only left when the run destroys its own Thread: it cannot wait for itself.
    std::lock_guard<std::mutex> guard(stateLock);
    if (worker.joinable())
        worker.detach();
}

bool Thread::start(Function function, void* first, void* second, bool highPriority)
{
    if (!function)
        return false;
    return start([function, first, second] { function(first, second); }, highPriority);
}

bool Thread::start(std::function<void()> function, bool highPriority)
{
    if (!function)
        return false;
    std::lock_guard<std::mutex> starting(startLock);
    finishPrevious();

    auto next = std::make_shared<Run>();
    std::thread created;
    try {
        created = std::thread([next, body = std::move(function), highPriority] {
            currentRun = next.get();
            if (highPriority)
                raiseOwnPriority();
            body();
            std::lock_guard<std::mutex> guard(next->lock);
            next->done = true;
            next->ended.notify_all();
        });
    } catch (const std::system_error&) {
        // No thread to be had (resource limits): nothing runs, and the object stays idle.
        return false;
    }
    std::lock_guard<std::mutex> guard(stateLock);
    worker = std::move(created);
    run = std::move(next);
    return true;
}

void Thread::finishPrevious()
{
    std::thread previous;
    {
        std::lock_guard<std::mutex> guard(stateLock);
        // run stays: until the new run replaces it, isRunning reports the one being waited for.
        previous = std::move(worker);
    }
    if (!previous.joinable())
        return;
    if (previous.get_id() == std::this_thread::get_id()) {
        // The run is asking to replace or wait for itself; it ends on its own once it returns.
        previous.detach();
        return;
    }
    previous.join();
}

void Thread::join()
{
    // Checked before taking startLock: a start on another thread may hold it while it waits for
    // this very run.
    {
        std::lock_guard<std::mutex> guard(stateLock);
        if (run && run.get() == currentRun)
            return;
    }
    std::lock_guard<std::mutex> starting(startLock);
    finishPrevious();
}

bool Thread::isRunning() const
{
    std::shared_ptr<Run> current;
    {
        std::lock_guard<std::mutex> guard(stateLock);
        current = run;
    }
    if (!current)
        return false;
    std::lock_guard<std::mutex> guard(current->lock);
    return !current->done;
}

bool Thread::waitFor(std::chrono::milliseconds timeout)
{
    std::shared_ptr<Run> current;
    {
        std::lock_guard<std::mutex> guard(stateLock);
        current = run;
    }
    if (!current)
        return true;
    std::unique_lock<std::mutex> guard(current->lock);
    return current->ended.wait_for(guard, timeout, [&] { return current->done; });
}
