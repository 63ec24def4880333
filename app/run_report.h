// What a headless run reports to scripts: one JSON object per finished file, the tally of the
// run and the exit status that follows from it.
#pragma once

#include <cstdint>
#include <string>

#include "engine/compression_job.h"
#include "engine/file_result.h"

// The files of a run, counted by how they ended.
struct RunTally {
    int files = 0;
    int processed = 0;
    int skipped = 0;
    int stopped = 0;
    int failed = 0;

    void add(const FileResult& result);
};

// The exit status of a headless run: 2 when the path was missing or of no supported kind,
// 130 when Ctrl-C stopped it, 1 when the backup failed or a file could not be processed, else 0.
int exitStatusFor(JobOutcome outcome, const RunTally& tally, bool interrupted);

// A JSON string literal, quotes included. Valid UTF-8 is kept as it is; quotes, backslashes and
// control characters are escaped; a byte that is not part of valid UTF-8 becomes \uDC80-\uDCFF
// (the byte plus 0xDC00), so names that are not UTF-8 still give valid JSON and can be restored.
std::string jsonString(const std::string& bytes);

// One line (without the line feed):
// {"path":...,"size_before":N,"size_after":N,"steps":[{"name":...,"size_before":N,
// "size_after":N,"undone":B,"reason":...}],"status":"processed"}
std::string fileResultJson(const FileResult& result);

// The closing line: {"files":N,"processed":N,"skipped":N,"stopped":N,"failed":N,
// "bytes_saved":N,"exit_status":N}
std::string summaryJson(const RunTally& tally, std::int64_t bytesSaved, int exitStatus);
