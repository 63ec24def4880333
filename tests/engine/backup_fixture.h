// Backups in a known second: the stamp every backup folder of these tests is named after.
#pragma once

#include "engine_fixture.h"

class BackupTest : public EngineTest {
protected:
    BackupTest() { state.options[Option::Copy] = true; }
    FixedClock stamps{{december7(14, 5, 9), december7(14, 5, 9), december7(14, 5, 31)}};
    const std::string stamp = "Backup_07_12_2026__14_05_09";
};
