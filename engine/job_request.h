// What a job is, as a value. A drop, --open and the command line each build one; the engine runs
// it with the JobContext of whoever owns the job (the window or the headless run).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/options.h"
#include "engine/path_source.h"

// How one path of a job ended (compression_job.h).
enum class JobOutcome : int;

// How the results reach the user: the log's lines only, or also one JSON line per file and one
// with the totals (the log then goes to standard error).
enum class ReportForm { LogLines, JsonLines };

// Shard index (1 to count) of count: a job keeps only the files whose stable hash falls in its
// shard, so count runs over the same paths share them without overlap and cover them all.
struct Shard {
    unsigned index = 1;
    unsigned count = 1;
};

struct JobRequest {
    // Files and folders, compressed in this order as one job (one pair of stamps, one total).
    std::vector<std::string> paths;
    // The options as they were when the job started. The choices made once per job read them:
    // the backup, the kinds a folder contributes, the worker pool, the missing tools reported and
    // the record's key. Each step reads the live flags of the job's state instead, so a menu
    // change during a job takes effect at the next step.
    OptionValues options;
    ReportForm report = ReportForm::LogLines;
    Shard shard = {};
    // Workers of the pool; 0: HogSystem's number (twice the processors).
    unsigned workers = 0;
    // Instead of paths: a list read while the job runs (--files-from), each path taken as it
    // comes, so the first file starts before the list ends and nothing per path is kept.
    std::shared_ptr<PathSource> listed = nullptr;
    // Told how each listed path ended, as it ends.
    std::function<void(const std::string& path, JobOutcome)> listedPathEnded = nullptr;
};
