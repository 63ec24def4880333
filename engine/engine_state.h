// The engine's shared state: the option flags, the running flag, the counters and their locks.
// A job reads it through its JobContext; the window and the headless run share one process-wide
// instance, whose members also go by the names below.
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

    // Bytes saved since the main window was created; may go below zero. Guarded by statusMutex.
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
    // Sets totalSaved to 0 under statusMutex.
    void resetTotalSaved();
};

// The state the window, the headless run and the menu commands share.
EngineState& processEngineState();

// The process-wide state by name: option flags named after their settings keys, and the rest.
extern std::atomic<bool>& Full;
extern std::atomic<bool>& Strip;
extern std::atomic<bool>& Copy;
extern std::atomic<bool>& Apps;
extern std::atomic<bool>& Pngs;
extern std::atomic<bool>& Tifs;
extern std::atomic<bool>& Jpgs;
extern std::atomic<bool>& Gifs;
extern std::atomic<bool>& Pdfs;
extern std::atomic<bool>& HogSystem;
extern std::atomic<bool>& KeepDates;
extern std::atomic<bool>& compressionRunning;
extern std::int64_t& totalSaved;
extern std::uint32_t& nextFileIndex;
extern Mutex& logMutex;
extern Mutex& statusMutex;
extern Mutex& counterMutex;

// Puts every process-wide option flag back to its default.
void resetOptionsToDefaults();

// Sets the process-wide totalSaved to 0 (under statusMutex), as creating the main window does.
void resetTotalSaved();
