// A single-runner thread: runs one function at a time; a new start waits for the earlier run.
// Also brings in Mutex and MutexLock.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "util/mutex.h"

class Thread {
public:
    // A function taking two pointer-sized arguments.
    using Function = void (*)(void* first, void* second);

    Thread() = default;
    // Waits for the running function, as join does.
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Waits for the earlier run to end, then runs function(first, second) on a new thread.
    // highPriority raises the new thread's priority where the system allows it.
    // False when no thread could be created (nothing runs then).
    bool start(Function function, void* first, void* second, bool highPriority = false);
    bool start(std::function<void()> function, bool highPriority = false);

    // Waits for the latest run to end; returns at once when nothing ever ran. Called on the
    // run's own thread it returns at once, since a thread cannot wait for itself.
    void join();

    // True while the latest run has not yet returned.
    bool isRunning() const;

    // True once the latest run has ended (or nothing ever ran); false when timeout passed first.
    bool waitFor(std::chrono::milliseconds timeout);

private:
    struct Run;

    // Waits for (or, on its own thread, lets go of) the previous run; the caller holds startLock.
    void finishPrevious();

    std::mutex startLock;         // one start or join at a time
    mutable std::mutex stateLock; // guards worker and run
    std::thread worker;
    std::shared_ptr<Run> run;
};
