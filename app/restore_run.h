// tarnwick --restore FOLDER: puts a backup's originals back and reports each file, as log lines
// and, with --json, as JSON lines.
#pragma once

#include <cstdio>
#include <string>

// Restores the backup folder, writing the log to log and, when json is not null, one JSON object
// per file and one with the totals to json. Returns the exit status: 0 when every file is the
// original again, 1 when any could not be restored (changed since, missing, failed), 2 when the
// folder holds no valid manifest.
int runRestore(const std::string& backupFolder, std::FILE* log, std::FILE* json);
