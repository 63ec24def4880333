#include "util/mutex.h"

Mutex::~Mutex()
{
    // Destroying a mutex another thread still holds is undefined; let that thread finish first.
    if (held.load()) {
        mutex.lock();
        mutex.unlock();
    }
}

void Mutex::lock()
{
    held = true;
    mutex.lock();
}

void Mutex::unlock()
{
    mutex.unlock();
    held = false;
}

MutexLock::MutexLock(Mutex& mutex) : mutex(mutex)
{
    mutex.lock();
}

MutexLock::~MutexLock()
{
    mutex.unlock();
}
