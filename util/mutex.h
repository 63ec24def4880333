// A re-entrant mutex and its scoped lock. The owner thread may lock it again while holding it,
// as the shared log and status sections do when one guarded step calls another.
#pragma once

#include <mutex>

class Mutex {
public:
    Mutex() = default;
    // Waits for a thread that still holds the mutex to leave it before it goes away.
    ~Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    void lock();
    void unlock();

private:
    std::recursive_mutex mutex;
};

// Holds a Mutex from construction to the end of the scope.
class MutexLock {
public:
    explicit MutexLock(Mutex& mutex);
    ~MutexLock();
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    Mutex& mutex;
};
