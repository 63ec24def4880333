// Backups in a known second: the stamp every backup folder of these tests is named after.
#pragma once

#include "engine/file_queries.h"
#include "engine_fixture.h"

// The log lines of a backup made into folder.
inline std::string backupDone(const std::string& folder)
{
    return "Backing up originals... done\r\nOriginals backed up to " + resolvedPath(folder) +
           "\r\n";
}

class BackupTest : public EngineTest {
protected:
    BackupTest() { state.options[Option::Copy] = true; }
    FixedClock stamps{{december7(14, 5, 9), december7(14, 5, 9), december7(14, 5, 31)}};
    const std::string stamp = "Backup_07_12_2026__14_05_09";
};
