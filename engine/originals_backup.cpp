#include "engine/originals_backup.h"

#include <memory>
#include <string>

#include "engine/clock.h"
#include "engine/compress_file.h"
#include "engine/file_queries.h"
#include "engine/tool_runner.h"
#include "platform/win32/base.h"
#include "platform/process_additions.h"
#include "util/file_system.h"
#include "util/live_file.h"

namespace {

bool lastComponentIsDots(const std::string& path)
{
    const std::size_t slash = path.find_last_of(pathSeparators);
    const std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
    return last == "." || last == "..";
}

// True when target lies in folder or below it, after resolving both; also when either cannot be
// resolved, since a backup that cannot be placed safely must not be made.
bool liesWithin(const std::string& target, const std::string& folder)
{
    const std::string resolvedFolder = resolvedPath(folder);
    const std::string resolvedTarget = resolvedPath(target);
    if (resolvedFolder.empty() || resolvedTarget.empty())
        return true;
    if (isFileSystemRoot(resolvedFolder))
        return true;
    return resolvedTarget == resolvedFolder ||
           resolvedTarget.compare(0, resolvedFolder.size() + 1, resolvedFolder + pathSeparator) ==
               0;
}

// Makes the missing folders above path, outermost first, and records each one it made.
bool createParents(const std::string& path, std::vector<std::string>& made)
{
    const std::string parent = parentFolder(path);
    if (directoryExists(parent))
        return true;
    if (parent == path || !createParents(parent, made))
        return false;
    if (makeNewFolder(parent, false) == NewFolder::made)
        made.push_back(parent);
    return directoryExists(parent);
}

// How many names a backup tries before it gives up.
constexpr int freshNameAttempts = 1000;

// Creates folder under a name nothing holds yet: the name itself, or with "_2", "_3", ...
// appended while a folder or a link holds it. mkdir fails on any existing name and never
// follows a link, so the copy cannot be sent into an earlier backup or somewhere else.
bool createFreshFolder(std::string& folder)
{
    const std::string name = folder;
    for (int attempt = 1; attempt <= freshNameAttempts; ++attempt) {
        folder = attempt == 1 ? name : name + "_" + std::to_string(attempt);
        // A plain file (or pipe, device) under a backup's name is not something a run of ours
        // left: the folder is in a state we do not understand, so the backup fails.
        const NewFolder made = makeNewFolder(folder, false);
        if (made != NewFolder::nameTaken)
            return made == NewFolder::made;
    }
    return false;
}

// Runs the copy command into the backup's folder between a manifest's header and its list of
// what was copied, so that a kill during the copy leaves a folder still known for a backup.
void copyWithManifest(OriginalsBackup& backup, const std::string& command, const std::string& root,
                      std::unique_ptr<ManifestWriter>* manifest)
{
    auto writer = std::make_unique<ManifestWriter>(backup.backupFolder, root);
    if (!writer->ok() || cmdSystem(command.c_str()) != 0 || !writer->listOriginals()) {
        backup.markFailed();
        return;
    }
    if (manifest)
        *manifest = std::move(writer);
}

// The absolute form of a folder, for a restore started from anywhere.
std::string absoluteFolder(const std::string& folder)
{
    const std::string resolved = resolvedPath(folder.empty() ? "." : folder);
    return resolved.empty() ? folder : resolved;
}

} // namespace

OriginalsBackup::OriginalsBackup(ReportSurfaces& logPane, const std::string& basePath, bool allowed)
    : logPane(logPane)
{
    logPane.append("Backing up originals... ");
    backupFolder = basePath + "Backup_" + currentTime().format("dd_mm_yyyy__hh_mm_ss");
    if (allowed && createParents(backupFolder, createdParents))
        folderCreated = createFreshFolder(backupFolder);
    failed = !folderCreated;
}

OriginalsBackup::~OriginalsBackup()
{
    if (failed)
        removeWhatWasCreated();
    logPane.append(failed ? "failed" : "done");
    logPane.append("\r\n");
    // Where to find it, in full: the name a restore is given.
    if (!failed) {
        const std::string full = resolvedPath(backupFolder);
        logPane.append("Originals backed up to " +
                       displayName(full.empty() ? backupFolder : full, ""));
        logPane.append("\r\n");
    }
}

void OriginalsBackup::removeWhatWasCreated()
{
    // The folder is new and ours alone, so everything in it is the partial copy; a link that
    // has taken its place is left alone by removeTree.
    if (folderCreated)
        removeTree(backupFolder);
    for (auto parent = createdParents.rbegin(); parent != createdParents.rend(); ++parent)
        removeEmptyFolder(*parent);
}

std::string folderBackupBase(const std::string& folder)
{
    std::string base = folder;
    while (!base.empty() && isSeparator(base.back()))
        base.pop_back();
    if (base.empty())
        return std::string();
    if (lastComponentIsDots(base)) {
        base = resolvedPath(base);
        if (isFileSystemRoot(base))
            return std::string();
    }
    return base;
}

bool backupSingleFile(ReportSurfaces& logPane, const std::string& path,
                      const std::string& folderPart, std::unique_ptr<ManifestWriter>* manifest)
{
    OriginalsBackup backup(logPane, folderPart);
    if (!backup.succeeded())
        return false;
    const std::string command =
        "copy " + quoteArgument(path) + " " + quoteArgument(backup.backupFolder);
    copyWithManifest(backup, command, absoluteFolder(folderPart), manifest);
    return backup.succeeded();
}

bool backupFolderTree(ReportSurfaces& logPane, const std::string& folder,
                      std::unique_ptr<ManifestWriter>* manifest)
{
    const std::string base = folderBackupBase(folder);
    // The backup must never land in the tree it copies: xcopy would copy it into itself and
    // the walk would compress the copies.
    const bool unsafe = base.empty() || liesWithin(parentFolder(base), folder);
    OriginalsBackup backup(logPane, base, !unsafe);
    if (!backup.succeeded())
        return false;
    // The folder's own manifest (it is a backup of ours, or holds one) would land on the new
    // backup's: on Windows xcopy would stop to ask whether to overwrite it, with nobody to
    // answer; elsewhere the new backup would claim the old one's originals.
    const std::string ownManifest = withTrailingSeparator(folder) + manifestName;
    if (fileSize(ownManifest) >= 0 || directoryExists(ownManifest)) {
        backup.markFailed();
        return false;
    }
    const std::string command =
        "xcopy /E /H " + quoteArgument(folder) + " " + quoteArgument(backup.backupFolder);
    copyWithManifest(backup, command, absoluteFolder(folder), manifest);
    return backup.succeeded();
}

void reportNoBackupNeeded(ReportSurfaces& logPane)
{
    logPane.append("Backing up originals... nothing to compress, no backup made\r\n");
}
