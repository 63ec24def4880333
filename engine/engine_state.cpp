#include "engine/engine_state.h"

std::atomic<bool> Full{true};
std::atomic<bool> Strip{true};
std::atomic<bool> Copy{true};
std::atomic<bool> Apps{false};
std::atomic<bool> Pngs{true};
std::atomic<bool> Tifs{true};
std::atomic<bool> Jpgs{true};
std::atomic<bool> Gifs{true};
std::atomic<bool> Pdfs{true};
std::atomic<bool> HogSystem{false};

std::atomic<bool> compressionRunning{false};
std::int64_t totalSaved = 0;
std::uint32_t nextFileIndex = 0;

Mutex logMutex;
Mutex statusMutex;
Mutex counterMutex;

void resetOptionsToDefaults()
{
    Full = true;
    Strip = true;
    Copy = true;
    Apps = false;
    Pngs = true;
    Tifs = true;
    Jpgs = true;
    Gifs = true;
    Pdfs = true;
    HogSystem = false;
}

void resetTotalSaved()
{
    MutexLock lock(statusMutex);
    totalSaved = 0;
}
