// Waiting in tests for the state that should follow, instead of sleeping a fixed time.
#pragma once

#include <chrono>
#include <functional>

// Polls until done returns true or the limit passes; the last result of done.
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit,
               std::chrono::milliseconds step = std::chrono::milliseconds(10));

// The kernel's id of the calling thread, for waitUntilBlocked.
int currentThreadId();

// Waits until the thread (of this process) is blocked, asleep in the kernel, e.g. in a lock,
// a condition variable or a wait for input; false if it is not by the limit. A test uses it to
// know that another thread has reached a wait before it checks or releases that wait.
bool waitUntilBlocked(int threadId,
                      std::chrono::milliseconds limit = std::chrono::milliseconds(5000));
