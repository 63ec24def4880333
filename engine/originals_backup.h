// Copies the originals into a dated folder before any tool touches them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/backup_manifest.h"

#include "engine/report_surfaces.h"

// Logs "Backing up originals... " and creates backupFolder (base path + "Backup_" + the time as
// dd_mm_yyyy__hh_mm_ss) unless the caller has found it must not be made. The folder is always a
// new one: when the dated name is taken by a folder or a link (an earlier backup in the same
// second, or a planted name), "_2", "_3", ... is appended; any other file under the name fails
// the backup. When it closes, logs "done", or "failed" after markFailed or when the folder could
// not (or must not) be created; a failed backup first removes what it created. A backup that
// was made then logs "Originals backed up to " and the folder's full path.
class OriginalsBackup {
public:
    OriginalsBackup(ReportSurfaces& logPane, const std::string& basePath, bool allowed = true);
    ~OriginalsBackup();

    OriginalsBackup(const OriginalsBackup&) = delete;
    OriginalsBackup& operator=(const OriginalsBackup&) = delete;

    // False when the folder could not be created or markFailed was called.
    bool succeeded() const { return !failed; }
    void markFailed() { failed = true; }

    std::string backupFolder;

private:
    void removeWhatWasCreated();

    ReportSurfaces& logPane;
    bool failed = false;
    bool folderCreated = false;
    std::vector<std::string> createdParents; // outermost first
};

// Copies the file path into a dated folder inside folderPart (path up to its last separator).
// Returns false (and logs "failed") when the copy could not be made. The folder holds a manifest
// of what it holds (backup_manifest.h); manifest, when given, receives its writer, for the job
// to note its results in.
bool backupSingleFile(ReportSurfaces& logPane, const std::string& path,
                      const std::string& folderPart,
                      std::unique_ptr<ManifestWriter>* manifest = nullptr);

// Copies the whole tree of folder, hidden files and empty folders included, into a dated folder
// beside it, with a manifest as above. A folder whose backup would lie inside itself (such as
// "/") fails cleanly.
bool backupFolderTree(ReportSurfaces& logPane, const std::string& folder,
                      std::unique_ptr<ManifestWriter>* manifest = nullptr);

// The base path a folder's backup name is built from: the folder without trailing "/", or its
// resolved path when it ends in "." or "..". Empty when the folder is a root.
std::string folderBackupBase(const std::string& folder);

// Logs "Backing up originals... nothing to compress, no backup made": every file is finished.
void reportNoBackupNeeded(ReportSurfaces& logPane);
