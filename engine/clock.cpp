#include "engine/clock.h"

#include <atomic>

namespace {

DateTime realClock()
{
    return DateTime::now();
}

std::atomic<ClockFunction> activeClock{&realClock};

} // namespace

DateTime currentTime()
{
    return activeClock.load()();
}

void setClock(ClockFunction clock)
{
    activeClock = clock ? clock : &realClock;
}
