// The compression job: one dropped or named path, from start stamp to finish stamp.
#pragma once

#include <string>
#include <vector>

#include "engine/job_context.h"

// How a job ended, for callers that must tell the user (the headless entry's exit status).
enum class JobOutcome {
    NoPaths,         // empty list: nothing logged
    Done,            // the file or folder was processed (possibly stopped early)
    PathMissing,     // nothing exists at the path: only the two stamps
    UnsupportedFile, // not a regular file of a supported kind (a folder, pipe, device or link
                     // named like one): two stamps
    BackupFailed,    // the backup failed, so nothing was compressed
};

// Compresses the first path (further ones are ignored): a path whose lower-cased text ends with
// a known extension is one file, anything else a folder whose enabled kinds are collected and
// compressed one by one or, with HogSystem on, by the worker pool. Copy backs up first.
// A file that the job's record says is finished under the job's setup is skipped with one log
// line. The second form uses the process-wide state and no record.
JobOutcome runCompressionJob(const JobContext& job, const std::vector<std::string>& paths);
JobOutcome runCompressionJob(ReportSurfaces& mainWindow, const std::vector<std::string>& paths);

// The program's job: the process-wide state and the record of finished files in the user's
// cache folder ($XDG_CACHE_HOME/tarnwick/finished.sqlite), so a re-run skips finished files.
JobOutcome runRecordedCompressionJob(ReportSurfaces& mainWindow,
                                     const std::vector<std::string>& paths);

// What a job's results depend on: Full, Strip and the identity of every tool it can run.
std::string jobSetup(const JobContext& job);

// Whether the path names a single file by its extension: one of a kind's suffixes after
// lower-casing (".png", ".tiff", ".tif", ".jpeg", ".jpg", ".gif", ".pdf", ".dll", ".exe").
bool isSingleFilePath(const std::string& path);

// The folder part of a path: up to and including its last "/", or empty.
std::string folderPart(const std::string& path);

// Logs "Starting Compression at TIME" and sets compressionRunning; when it closes, refreshes the
// total, clears compressionRunning and logs "Finished Compression at TIME" and an empty line.
class JobStamp {
public:
    explicit JobStamp(const JobContext& job);
    explicit JobStamp(ReportSurfaces& mainWindow);
    ~JobStamp();

    JobStamp(const JobStamp&) = delete;
    JobStamp& operator=(const JobStamp&) = delete;

private:
    JobContext job;
};
