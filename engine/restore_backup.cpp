#include "engine/restore_backup.h"

#include <algorithm>
#include <set>

#include "engine/backup_manifest.h"
#include "engine/content_hash.h"
#include "engine/file_queries.h"
#include "engine/work_folder.h"
#include "util/file_system.h"
#include "util/live_file.h"

namespace {

bool producedByTheJob(const BackedUpFile& file, const std::string& hash)
{
    return hash == file.result ||
           std::find(file.produced.begin(), file.produced.end(), hash) != file.produced.end();
}

enum class PutBack { done, fileChanged, failed };

// Copies the original next to the file and lets it take the file's place, unless the file was
// written since it was hashed (identity); why says why it failed.
PutBack putBack(const std::string& copy, const std::string& target, const std::string& identity,
                std::string& why)
{
    WorkFolder work(target);
    if (!work.ok()) {
        why = "no work folder could be made beside the file (" + work.error() + ")";
        return PutBack::failed;
    }
    const std::string original = work.file("");
    if (std::string error = copyFileExclusive(copy, original); !error.empty()) {
        why = "the original could not be copied (" + error + ")";
        return PutBack::failed;
    }
    if (fileIdentity(target) != identity)
        return PutBack::fileChanged;
    why = replaceFile(target, original, true);
    return why.empty() ? PutBack::done : PutBack::failed;
}

void restoreOne(const std::string& backupFolder, const std::string& root, const BackedUpFile& file,
                RestoredFile& done)
{
    done.relative = file.relative;
    done.path = withTrailingSeparator(root) + file.relative;
    if (fileSize(done.path) < 0) {
        done.action = RestoreAction::Missing;
        return;
    }
    const std::string target = fileBehind(done.path);
    done.size = fileSize(target);
    done.action = RestoreAction::SkippedChanged;
    if (!isRegularFileBehindLinks(done.path))
        return;
    // Taken before the content: a write after it shows as another identity at the replacement.
    const std::string identity = fileIdentity(target);
    const std::string now = contentHash(target);
    if (now == file.hash) {
        done.action = RestoreAction::Unchanged;
        return;
    }
    if (now.empty() || !producedByTheJob(file, now))
        return;
    const std::string copy = withTrailingSeparator(backupFolder) + file.relative;
    if (contentHash(copy) != file.hash) {
        done.action = RestoreAction::Failed;
        done.reason = "the backup's copy is no longer the original";
        return;
    }
    switch (putBack(copy, target, identity, done.reason)) {
    case PutBack::fileChanged:
        return;
    case PutBack::failed:
        done.action = RestoreAction::Failed;
        return;
    case PutBack::done:
        done.action = RestoreAction::Restored;
        done.size = fileSize(target);
        return;
    }
}

} // namespace

const char* restoreActionName(RestoreAction action)
{
    switch (action) {
    case RestoreAction::Restored:
        return "restored";
    case RestoreAction::Unchanged:
        return "unchanged";
    case RestoreAction::SkippedChanged:
        return "skipped-changed";
    case RestoreAction::Missing:
        return "missing";
    case RestoreAction::Failed:
        return "failed";
    }
    return "failed";
}

bool restoreBackup(const std::string& backupFolder,
                   const std::function<void(const RestoredFile&)>& report, std::string& root)
{
    Manifest manifest;
    if (!readManifest(backupFolder, manifest))
        return false;
    root = manifest.root;
    // A run killed in the middle of rewriting a file with several names left a note that puts
    // the whole result in place; only then is the file one the manifest knows.
    std::set<std::string> folders;
    for (const BackedUpFile& file : manifest.files)
        folders.insert(parentFolder(withTrailingSeparator(root) + file.relative));
    for (const std::string& folder : folders)
        removeLeftoverWorkFolders(folder, false);
    for (const BackedUpFile& file : manifest.files) {
        RestoredFile done;
        restoreOne(backupFolder, root, file, done);
        report(done);
    }
    return true;
}
