// Process-wide engine state: the ten option flags, the running flag, the counters and their locks.
#pragma once

#include <atomic>
#include <cstdint>

#include "util/thread.h"

// Option flags, named after their settings keys. Written by the menu commands and by loading the
// settings, read by the engine's threads at the moment a step needs them.
extern std::atomic<bool> Full;
extern std::atomic<bool> Strip;
extern std::atomic<bool> Copy;
extern std::atomic<bool> Apps;
extern std::atomic<bool> Pngs;
extern std::atomic<bool> Tifs;
extern std::atomic<bool> Jpgs;
extern std::atomic<bool> Gifs;
extern std::atomic<bool> Pdfs;
extern std::atomic<bool> HogSystem;

// Set while a job runs; clearing it (Stop, Exit) makes the job wind down at its next check.
extern std::atomic<bool> compressionRunning;

// Bytes saved since the main window was created; may go below zero. Guarded by statusMutex.
extern std::int64_t totalSaved;

// The next list index a worker takes. Guarded by counterMutex.
extern std::uint32_t nextFileIndex;

extern Mutex logMutex;
extern Mutex statusMutex;
extern Mutex counterMutex;

// Puts every option flag back to its compiled-in default.
void resetOptionsToDefaults();

// Sets totalSaved to 0 (under statusMutex), as creating the main window does.
void resetTotalSaved();
