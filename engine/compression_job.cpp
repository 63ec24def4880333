#include "engine/compression_job.h"

#include "engine/clock.h"
#include "engine/compress_file.h"
#include "engine/engine_state.h"
#include "engine/file_collection.h"
#include "engine/originals_backup.h"
#include "engine/size_report.h"
#include "engine/tool_check.h"
#include "engine/worker_pool.h"
#include "util/file_system.h"
#include "util/live_file.h"
#include "util/strings.h"

namespace {

void appendStamp(ReportSurfaces& mainWindow, const char* text, const char* lineEnd)
{
    const std::string time = currentTime().format("c");
    MutexLock lock(logMutex);
    mainWindow.append(text);
    mainWindow.append(time);
    mainWindow.append(lineEnd);
}

JobOutcome compressSingleFile(ReportSurfaces& mainWindow, const std::string& path)
{
    if (fileSize(path) < 0)
        return JobOutcome::PathMissing;
    // A folder named like a file: the tools would work on whatever lies inside it (exiftool
    // rewrites every file of a folder it is given), unlisted and without a backup.
    if (directoryExists(path))
        return JobOutcome::UnsupportedFile;
    reportMissingTools(mainWindow, toolsForFile(path));
    const std::string base = folderPart(path);
    if (Copy && !backupSingleFile(mainWindow, path, base))
        return JobOutcome::BackupFailed;
    compressFile(mainWindow, path, base);
    return JobOutcome::Done;
}

JobOutcome compressFolder(ReportSurfaces& mainWindow, const std::string& folder)
{
    if (!directoryExists(folder))
        return fileSize(folder) < 0 ? JobOutcome::PathMissing : JobOutcome::UnsupportedFile;
    reportMissingTools(mainWindow, toolsForFolder());
    if (Copy && !backupFolderTree(mainWindow, folder))
        return JobOutcome::BackupFailed;

    const std::vector<std::string> files = collectFiles(folder);
    if (HogSystem) {
        compressInParallel(mainWindow, files);
        return JobOutcome::Done;
    }
    const std::uint32_t count = static_cast<std::uint32_t>(files.size());
    for (std::uint32_t i = 0; i < count; ++i) {
        updateStatus(mainWindow, static_cast<int>(i), count);
        compressFile(mainWindow, files[i], folder);
        if (!compressionRunning)
            break;
    }
    return JobOutcome::Done;
}

} // namespace

JobStamp::JobStamp(ReportSurfaces& mainWindow) : mainWindow(mainWindow)
{
    appendStamp(mainWindow, "Starting Compression at ", "\r\n");
    compressionRunning = true;
}

JobStamp::~JobStamp()
{
    updateStatus(mainWindow, -1, 0);
    compressionRunning = false;
    appendStamp(mainWindow, "Finished Compression at ", "\r\n\r\n");
}

bool isSingleFilePath(const std::string& path)
{
    const std::string lower = toLowerCopy(path);
    for (const char* suffix :
         {".png", ".tiff", ".tif", ".jpeg", ".jpg", ".gif", ".pdf", ".dll", ".exe"})
        if (endsWith(lower, suffix))
            return true;
    return false;
}

std::string folderPart(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

JobOutcome runCompressionJob(ReportSurfaces& mainWindow, const std::vector<std::string>& paths)
{
    if (paths.empty())
        return JobOutcome::NoPaths;
    JobStamp stamp(mainWindow);
    const std::string& path = paths.front();
    return isSingleFilePath(path) ? compressSingleFile(mainWindow, path)
                                  : compressFolder(mainWindow, path);
}
