// What happened to one file of a job, for callers that report it (the --json output, exit status).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One tool step as it ended.
struct StepResult {
    std::string name;             // the step's label without indent and dots, e.g. "Pass 1/3"
    std::int64_t sizeBefore = -1; // bytes; -1 when the file did not exist
    std::int64_t sizeAfter = -1;  // bytes; -1 when the file did not exist
    bool undone = false;          // the result failed its check or timed out: the file was put back
    std::string reason;           // why it was undone; empty otherwise
    bool couldNotRun = false;     // no working copy could be made, so the tool never ran
    bool changedElsewhere = false; // another process changed the file during the step: undone
    bool interrupted = false; // the tool was ended (time limit, Stop) before it finished: undone
};

enum class FileStatus {
    Processed, // every step ran (undone steps included): the file is as small as it safely gets
    Skipped,   // already compressed with the same options and tools, and unchanged since
    Stopped,   // the job was stopped before the file's steps all ran
    Failed,    // the file could not be processed (missing, unreadable, no room for a temporary,
               // changed by another process during a step)
};

struct FileResult {
    std::string path;
    std::int64_t sizeBefore = -1;
    std::int64_t sizeAfter = -1;
    std::vector<StepResult> steps;
    FileStatus status = FileStatus::Processed;
};

// "processed", "skipped", "stopped" or "failed".
const char* fileStatusName(FileStatus status);
