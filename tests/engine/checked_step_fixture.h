// A file compressed by checked steps, for the checked-step tests of every system.
#pragma once

#include "engine/compress_file.h"
#include "engine_fixture.h"

class CheckedStepTest : public EngineTest {
protected:
    // One step per file, pngout's, unless a test turns Strip or Full on.
    CheckedStepTest()
    {
        state.options[Option::Full] = false;
        state.options[Option::Strip] = false;
    }

    void compress(const std::string& path)
    {
        compressFile(context(surfaces), path, pics(), StepMode{true, false});
    }

    const std::string path = pics() + "/a.png";
};
