#include "support/fixed_clock.h"

#include <atomic>
#include <mutex>

#include "engine/clock.h"

namespace {

std::mutex momentsLock;
std::vector<DateTime> moments;
std::size_t nextMoment = 0;

DateTime nextFixedMoment()
{
    std::lock_guard<std::mutex> guard(momentsLock);
    const std::size_t index = nextMoment < moments.size() ? nextMoment++ : moments.size() - 1;
    return moments[index];
}

} // namespace

FixedClock::FixedClock(std::vector<DateTime> given)
{
    {
        std::lock_guard<std::mutex> guard(momentsLock);
        moments = std::move(given);
        nextMoment = 0;
    }
    setClock(&nextFixedMoment);
}

FixedClock::~FixedClock()
{
    setClock(nullptr);
}

DateTime december7(int hour, int minute, int second)
{
    return DateTime::fromLocal(2026, 12, 7, hour, minute, second);
}
