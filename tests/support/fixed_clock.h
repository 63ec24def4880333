// A clock for repeatable stamps: the engine's clock answers with the given moments in turn,
// repeating the last one; the real clock comes back at destruction.
#pragma once

#include <vector>

#include "util/date_time.h"

class FixedClock {
public:
    explicit FixedClock(std::vector<DateTime> moments);
    ~FixedClock();
    FixedClock(const FixedClock&) = delete;
    FixedClock& operator=(const FixedClock&) = delete;
};

// 7 December 2026 at the given local time.
DateTime december7(int hour, int minute, int second);
