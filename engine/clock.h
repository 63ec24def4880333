// The local time behind the job's stamps and the backup folder names. Tests fix it to get
// repeatable logs.
#pragma once

#include "util/date_time.h"

using ClockFunction = DateTime (*)();

// The current local time, from the clock set last (the real clock by default).
DateTime currentTime();

// Replaces the clock; nullptr restores the real one.
void setClock(ClockFunction clock);
