// The engine's shared state: the option flags, the running flag, the counters and their locks.
// A job reads it through its JobContext; the window and the headless run each own one.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

#include "engine/options.h"
#include "util/thread.h"

struct EngineState {
    OptionFlags options;

    // Set while a job runs; clearing it (Stop, Exit) makes the job wind down at its next check.
    std::atomic<bool> running{false};

    // Set from a job's start stamp to its finish stamp, whatever Stop did to running.
    std::atomic<bool> jobActive{false};

    // Set by a second Stop (or Exit): the running tool is ended at once and its step undone.
    // Cleared when a job starts.
    std::atomic<bool> abortTools{false};

    // A step's tool may run for timeLimitBase plus timeLimitPerMegabyte for every started
    // megabyte of the file; past that it is ended and the step undone.
    std::chrono::milliseconds timeLimitBase{std::chrono::minutes(2)};
    std::chrono::milliseconds timeLimitPerMegabyte{std::chrono::minutes(1)};

    // Bytes saved since the state was made (the window's: since it opened); may go below zero.
    // Guarded by statusMutex.
    std::int64_t totalSaved = 0;

    // The next list index a worker takes. Guarded by counterMutex.
    std::uint32_t nextFileIndex = 0;

    Mutex logMutex;    // keeps multi-piece log lines whole
    Mutex statusMutex; // status-bar updates and totalSaved
    Mutex counterMutex;

    // The Stop command: the first clears running; a second one while the job still winds down
    // ends the running tool.
    void requestStop();

    // The time a step's tool may take on a file of fileSize bytes.
    std::chrono::milliseconds timeLimitFor(std::int64_t fileSize) const;

    // Adds bytes to totalSaved under statusMutex.
    void addToTotalSaved(std::int64_t bytes);
    // totalSaved, read under statusMutex.
    std::int64_t saved();
};
