#include "engine/originals_backup.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/clock.h"
#include "engine/tool_runner.h"
#include "platform/win32/base.h"
#include "platform/process_additions.h"
#include "util/file_system.h"

namespace {

std::string resolvedPath(const std::string& path)
{
    char buffer[PATH_MAX];
    if (!realpath(path.c_str(), buffer))
        return std::string();
    return buffer;
}

bool lastComponentIsDots(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
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
    if (resolvedFolder == "/")
        return true;
    return resolvedTarget == resolvedFolder ||
           resolvedTarget.compare(0, resolvedFolder.size() + 1, resolvedFolder + "/") == 0;
}

// Makes the missing folders above path, outermost first, and records each one it made.
bool createParents(const std::string& path, std::vector<std::string>& made)
{
    const std::string parent = parentFolder(path);
    if (directoryExists(parent))
        return true;
    if (parent == path || !createParents(parent, made))
        return false;
    if (::mkdir(parent.c_str(), 0777) == 0)
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
        if (::mkdir(folder.c_str(), 0777) == 0)
            return true;
        struct stat info;
        if (errno != EEXIST || ::lstat(folder.c_str(), &info) != 0)
            return false;
        // A plain file (or pipe, device) under a backup's name is not something a run of ours
        // left: the folder is in a state we do not understand, so the backup fails.
        if (!S_ISDIR(info.st_mode) && !S_ISLNK(info.st_mode))
            return false;
    }
    return false;
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
}

void OriginalsBackup::removeWhatWasCreated()
{
    // The folder is new and ours alone, so everything in it is the partial copy; a link that
    // has taken its place is left alone by removeTree.
    if (folderCreated)
        removeTree(backupFolder);
    for (auto parent = createdParents.rbegin(); parent != createdParents.rend(); ++parent)
        ::rmdir(parent->c_str());
}

std::string folderBackupBase(const std::string& folder)
{
    std::string base = folder;
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    if (base.empty())
        return std::string();
    if (lastComponentIsDots(base)) {
        base = resolvedPath(base);
        if (base == "/")
            return std::string();
    }
    return base;
}

bool backupSingleFile(ReportSurfaces& logPane, const std::string& path,
                      const std::string& folderPart)
{
    OriginalsBackup backup(logPane, folderPart);
    if (!backup.succeeded())
        return false;
    const std::string command =
        "copy " + quoteArgument(path) + " " + quoteArgument(backup.backupFolder);
    if (cmdSystem(command.c_str()) != 0)
        backup.markFailed();
    return backup.succeeded();
}

bool backupFolderTree(ReportSurfaces& logPane, const std::string& folder)
{
    const std::string base = folderBackupBase(folder);
    // The backup must never land in the tree it copies: xcopy would copy it into itself and
    // the walk would compress the copies.
    const bool unsafe = base.empty() || liesWithin(parentFolder(base), folder);
    OriginalsBackup backup(logPane, base, !unsafe);
    if (!backup.succeeded())
        return false;
    const std::string command =
        "xcopy /E /H " + quoteArgument(folder) + " " + quoteArgument(backup.backupFolder);
    if (cmdSystem(command.c_str()) != 0)
        backup.markFailed();
    return backup.succeeded();
}
