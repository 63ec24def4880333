#include "engine/engine_state.h"

void EngineState::requestStop()
{
    if (running.exchange(false))
        return;
    if (jobActive)
        abortTools = true;
}

std::chrono::milliseconds EngineState::timeLimitFor(std::int64_t fileSize) const
{
    const std::int64_t megabyte = 1024 * 1024;
    const std::int64_t started = fileSize <= 0 ? 0 : (fileSize + megabyte - 1) / megabyte;
    return timeLimitBase + timeLimitPerMegabyte * started;
}

void EngineState::addToTotalSaved(std::int64_t bytes)
{
    MutexLock lock(statusMutex);
    totalSaved += bytes;
}

std::int64_t EngineState::saved()
{
    MutexLock lock(statusMutex);
    return totalSaved;
}
