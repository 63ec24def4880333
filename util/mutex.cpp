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
    // Cleared first: once released, a waiting destructor may free this object at once.
    held = false;
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
