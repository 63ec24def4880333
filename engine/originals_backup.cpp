#include "engine/originals_backup.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "engine/clock.h"
#include "engine/tool_runner.h"
#include "platform/win32/base.h"
#include "platform/win32/process.h"

namespace {

std::string resolvedPath(const std::string& path)
{
    char buffer[PATH_MAX];
    if (!realpath(path.c_str(), buffer))
        return std::string();
    return buffer;
}

std::string parentFolder(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
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

bool createFolders(const std::string& path)
{
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return !error && std::filesystem::is_directory(path, error);
}

} // namespace

OriginalsBackup::OriginalsBackup(ReportSurfaces& logPane, const std::string& basePath, bool allowed)
    : logPane(logPane)
{
    logPane.append("Backing up originals... ");
    backupFolder = basePath + "Backup_" + currentTime().format("dd_mm_yyyy__hh_mm_ss");
    failed = !allowed || !createFolders(backupFolder);
}

OriginalsBackup::~OriginalsBackup()
{
    logPane.append(failed ? "failed" : "done");
    logPane.append("\r\n");
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
