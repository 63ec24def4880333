#include "support/waiting.h"

#include <thread>

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit,
               std::chrono::milliseconds step)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return done();
        std::this_thread::sleep_for(step); // the poll's interval
    }
}
