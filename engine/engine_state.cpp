#include "engine/engine_state.h"

namespace {

EngineState processState;

// Binding a reference to a member of a static object is constant initialisation, so these are
// usable from any other file's static start-up.
constexpr std::atomic<bool>& flag(Option option)
{
    return processState.options.flags[static_cast<std::size_t>(option)];
}

} // namespace

constinit std::atomic<bool>& Full = flag(Option::Full);
constinit std::atomic<bool>& Strip = flag(Option::Strip);
constinit std::atomic<bool>& Copy = flag(Option::Copy);
constinit std::atomic<bool>& Apps = flag(Option::Apps);
constinit std::atomic<bool>& Pngs = flag(Option::Pngs);
constinit std::atomic<bool>& Tifs = flag(Option::Tifs);
constinit std::atomic<bool>& Jpgs = flag(Option::Jpgs);
constinit std::atomic<bool>& Gifs = flag(Option::Gifs);
constinit std::atomic<bool>& Pdfs = flag(Option::Pdfs);
constinit std::atomic<bool>& HogSystem = flag(Option::HogSystem);
constinit std::atomic<bool>& KeepDates = flag(Option::KeepDates);
constinit std::atomic<bool>& compressionRunning = processState.running;
constinit std::int64_t& totalSaved = processState.totalSaved;
constinit std::uint32_t& nextFileIndex = processState.nextFileIndex;
constinit Mutex& logMutex = processState.logMutex;
constinit Mutex& statusMutex = processState.statusMutex;
constinit Mutex& counterMutex = processState.counterMutex;

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

void EngineState::resetTotalSaved()
{
    MutexLock lock(statusMutex);
    totalSaved = 0;
}

EngineState& processEngineState()
{
    return processState;
}

void resetOptionsToDefaults()
{
    processState.options.resetToDefaults();
}

void resetTotalSaved()
{
    processState.resetTotalSaved();
}
