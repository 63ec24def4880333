// The JSON lines of a headless run, written as nodes by json/'s writer. Kept apart from
// run_report.h, whose jsonString would clash with the node kind of the same name.
#pragma once

#include <cstdint>
#include <string>

#include "app/run_tally.h"
#include "engine/file_result.h"

// One line (without the line feed):
// {"path":...,"size_before":N,"size_after":N,"steps":[{"name":...,"size_before":N,
// "size_after":N,"undone":B,"reason":...}],"status":"processed"}
std::string fileResultJson(const FileResult& result);

// The closing line: {"files":N,"processed":N,"skipped":N,"stopped":N,"failed":N,
// "bytes_saved":N,"exit_status":N}
std::string summaryJson(const RunTally& tally, std::int64_t bytesSaved, int exitStatus);
