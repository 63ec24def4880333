// What a headless run reports to scripts: one JSON object per finished file, the tally of the
// run and the exit status that follows from it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/report_lines.h"
#include "app/run_tally.h"
#include "engine/compression_job.h"

// How the paths of a job ended, counted: a list's paths are never kept.
struct PathTally {
    std::uint64_t done = 0;
    std::uint64_t unusable = 0; // missing, or of no supported kind
    std::uint64_t backupFailed = 0;

    void add(JobOutcome outcome);
};

// The exit status of a headless run: 2 when no path could be worked on (each missing or of no
// supported kind; an empty list is not that), 130 when Ctrl-C stopped it, 1 when a path among
// others could not be worked on, a backup failed or a file could not be processed, else 0.
int exitStatusFor(const PathTally& paths, const RunTally& tally, bool interrupted);
int exitStatusFor(const std::vector<JobOutcome>& outcomes, const RunTally& tally, bool interrupted);

// A JSON string literal, quotes included. Valid UTF-8 is kept as it is; quotes, backslashes and
// control characters are escaped; a byte that is not part of valid UTF-8 becomes \uDC80-\uDCFF
// (the byte plus 0xDC00), so names that are not UTF-8 still give valid JSON and can be restored.
std::string jsonString(const std::string& bytes);
