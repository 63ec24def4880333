// The compression job: the paths of a request, from start stamp to finish stamp.
#pragma once

#include <string>
#include <vector>

#include "engine/job_context.h"
#include "engine/job_request.h"

// How one path of a job ended, for callers that must tell the user (the exit status).
enum class JobOutcome : int {
    Done,            // the file or folder was processed (possibly stopped early)
    PathMissing,     // nothing exists at the path
    UnsupportedFile, // not a regular file of a supported kind (a folder, pipe, device or link
                     // named like one)
    BackupFailed,    // the backup failed, so nothing of the path was compressed
};

// Compresses every path of the request in order, between one start and one finish stamp: a path
// whose lower-cased text ends with a kind's suffix is one file, anything else a folder whose
// enabled kinds are collected and compressed one by one or, with HogSystem on, by the worker
// pool. Copy backs up each path first. A file that the job's record says is finished under the
// job's setup is skipped with one log line. Returns one outcome per path, in order; an empty
// request logs nothing.
std::vector<JobOutcome> runCompressionJob(const JobContext& job, const JobRequest& request);

// Runs the request as the program does: tools through the command interpreter (exiftool kept
// open where the system allows), results checked by the content checks, and the record of
// finished files in the user's cache folder ($XDG_CACHE_HOME/tarnwick/finished.sqlite), so a
// re-run skips finished files.
std::vector<JobOutcome> runProgramJob(ReportSurfaces& surfaces, EngineState& state,
                                      const JobRequest& request);

// What a job's results depend on: Full, Strip and the identity of every tool it can run.
std::string jobSetup(const JobContext& job, const OptionValues& options);

// Whether the path names a single file by its extension: one of a kind's suffixes after
// lower-casing.
bool isSingleFilePath(const std::string& path);

// The folder part of a path: up to and including its last "/", or empty.
std::string folderPart(const std::string& path);

// Logs "Starting Compression at TIME" and sets the running flag; when it closes, refreshes the
// total, clears the running flag and logs "Finished Compression at TIME" and an empty line.
class JobStamp {
public:
    explicit JobStamp(const JobContext& job);
    ~JobStamp();

    JobStamp(const JobStamp&) = delete;
    JobStamp& operator=(const JobStamp&) = delete;

private:
    JobContext job;
};
