// Common ground for engine tests: a temporary folder with fake tools first on PATH, a recording
// pair of surfaces, a fixed clock and the options in a known state.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "engine/engine_state.h"
#include "image/strip_arguments.h"
#include "support/fake_tools.h"
#include "support/fixed_clock.h"
#include "support/recording_surfaces.h"
#include "support/temp_folder.h"

class EngineTest : public ::testing::Test {
protected:
    EngineTest() : tools(temp.file("bin")), clock({december7(14, 5, 9), december7(14, 5, 31)})
    {
        resetOptionsToDefaults();
        Copy = false;
        resetTotalSaved();
        compressionRunning = true;
    }

    ~EngineTest() override
    {
        resetOptionsToDefaults();
        compressionRunning = false;
    }

    // A folder for the images under test.
    std::string pics() const { return temp.file("pics"); }

    TempFolder temp;
    FakeTools tools;
    FixedClock clock;
    RecordingSurfaces surfaces;
};

// Surfaces that clear compressionRunning (the Stop command) the first time a log piece equal to
// trigger is appended, as if the user pressed Stop at that moment.
class StoppingSurfaces : public RecordingSurfaces {
public:
    explicit StoppingSurfaces(std::string trigger) : trigger(std::move(trigger)) {}

    void append(const std::string& text) override
    {
        RecordingSurfaces::append(text);
        if (text == trigger)
            compressionRunning = false;
    }

private:
    std::string trigger;
};

// How a recorded exiftool call lists the strip step's arguments before the file:
// "-overwrite_original|...|".
inline std::string stripCallArguments()
{
    std::string joined = "-overwrite_original|";
    for (const std::string& argument : stripArguments())
        joined += argument + "|";
    return joined;
}

inline const char* startStamp = "Starting Compression at 12/07/2026 02:05:09 PM";
inline const char* finishStamp = "Finished Compression at 12/07/2026 02:05:31 PM";
