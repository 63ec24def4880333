// Puts a backup's originals back, but only over what the job left: a file changed since (a
// user's later edit) is listed and left as it is.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

enum class RestoreAction {
    Restored,       // the job's result was replaced by the original
    Unchanged,      // the file is the original already
    SkippedChanged, // the file is neither the original nor anything the job made: left as it is
    Missing,        // no file under the name any more
    Failed,         // it should have been restored but could not be (reason says why)
};

// "restored", "unchanged", "skipped-changed", "missing" or "failed".
const char* restoreActionName(RestoreAction action);

struct RestoredFile {
    std::string path;     // the file in the job's root
    std::string relative; // its name below the root
    RestoreAction action = RestoreAction::Failed;
    std::string reason;     // why it failed; empty otherwise
    std::int64_t size = -1; // the file's size now, -1 when missing
};

// Reads backupFolder's manifest and handles each file it lists, in its order, telling report
// about each. A file the job finished, or was killed while working on, is restored when its
// content is the original's (nothing to do) or one the manifest notes the job produced; the
// original replaces it as a step's result does (owner, mode, times and further names kept).
// False, with nothing done, when the folder holds no valid manifest; root receives the folder
// the manifest's paths start from.
bool restoreBackup(const std::string& backupFolder,
                   const std::function<void(const RestoredFile&)>& report, std::string& root);
