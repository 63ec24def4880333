#include "util/mutex.h"

Mutex::~Mutex()
{
    // Destroying a mutex another thread still holds, or is still releasing, is undefined. Taking
    // it once waits for that thread and costs nothing when the mutex is free; a "held" flag
    // would miss a holder between clearing the flag and the release.
    mutex.lock();
    mutex.unlock();
}

void Mutex::lock()
{
    mutex.lock();
}

void Mutex::unlock()
{
    mutex.unlock();
}

MutexLock::MutexLock(Mutex& mutex) : mutex(mutex)
{
    mutex.lock();
}

MutexLock::~MutexLock()
{
    mutex.unlock();
}
