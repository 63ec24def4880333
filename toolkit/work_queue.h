// Runs pieces of work on one Thread, one at a time and in the order they were posted, without
// ever making the poster wait for the work that is running.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "util/thread.h"

class liveWorkQueue {
public:
    explicit liveWorkQueue(Thread& thread);
    liveWorkQueue(const liveWorkQueue&) = delete;
    liveWorkQueue& operator=(const liveWorkQueue&) = delete;

    // Queues work behind everything posted before it and returns at once.
    void post(std::function<void()> work);
    // Forgets the work queued and not yet started; the running one goes on.
    void discardPending();
    // True when nothing is queued and nothing is running.
    bool idle();
    // Waits at most limit for the queue to become idle; true if it is.
    bool waitIdle(std::chrono::milliseconds limit);

private:
    void drain();

    Thread& worker;
    std::mutex lock;
    std::condition_variable becameIdle;
    std::deque<std::function<void()>> pending;
    bool draining = false;
};
