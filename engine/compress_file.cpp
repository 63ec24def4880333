#include "engine/compress_file.h"

#include <initializer_list>

#include "engine/engine_state.h"
#include "engine/png_passes.h"
#include "engine/tool_command.h"
#include "util/live_file.h"
#include "util/strings.h"

namespace {

bool endsWithAny(const std::string& text, std::initializer_list<const char*> suffixes)
{
    for (const char* suffix : suffixes)
        if (endsWith(text, suffix))
            return true;
    return false;
}

void compressExecutable(ReportSurfaces& mainWindow, const std::string& path, StepMode mode)
{
    SizeReport report(mainWindow, "     Compressing... ", path, mode.logging);
    runToolCommand("upx.exe " + quotedPathArgument(path), mode.highPriority);
}

} // namespace

std::string displayName(const std::string& path, const std::string& baseFolder)
{
    std::string name = path;
    if (!baseFolder.empty() && startsWith(name, baseFolder)) {
        name.erase(0, baseFolder.size());
        if (!name.empty() && (name[0] == '\\' || name[0] == '/'))
            name.erase(0, 1);
    }
    return name;
}

double remainingPercent(std::int64_t sizeBefore, std::int64_t sizeAfter)
{
    if (sizeBefore <= 0 || sizeAfter < 0)
        return 100.0;
    return static_cast<double>(sizeAfter) / static_cast<double>(sizeBefore) * 100.0;
}

void compressFile(ReportSurfaces& mainWindow, const std::string& path,
                  const std::string& baseFolder, StepMode mode)
{
    const std::int64_t sizeBefore = fileSize(path);
    if (mode.logging) {
        MutexLock lock(logMutex);
        mainWindow.append("Compressing ");
        mainWindow.append(displayName(path, baseFolder));
        mainWindow.append(" (");
        mainWindow.append(sizeText(sizeBefore));
        mainWindow.append(" KB)");
        mainWindow.append("\r\n");
    }

    FileResult result;
    result.path = path;
    result.sizeBefore = sizeBefore;
    if (sizeBefore < 0)
        result.status = FileStatus::Failed;

    const std::string lower = toLowerCopy(path);
    if (endsWithAny(lower, {".dll", ".exe"})) {
        compressExecutable(mainWindow, path, mode);
    } else if (endsWithAny(lower, {".tiff", ".tif", ".jpeg", ".jpg", ".pdf", ".gif"})) {
        if (Strip)
            stripMetadata(mainWindow, path, mode);
    } else if (endsWith(lower, ".png", 4)) {
        if (Strip) {
            stripMetadata(mainWindow, path, mode);
            if (!compressionRunning) {
                result.status = FileStatus::Stopped;
                result.sizeAfter = fileSize(path);
                mainWindow.fileFinished(result);
                return;
            }
        }
        compressPng(mainWindow, path, mode);
    }

    if (mode.logging) {
        MutexLock lock(logMutex);
        mainWindow.append("     Compressed file is ");
        mainWindow.append(numberToText(remainingPercent(sizeBefore, fileSize(path)), 3));
        mainWindow.append("% of the original");
        mainWindow.append("\r\n");
    }
    result.sizeAfter = fileSize(path);
    mainWindow.fileFinished(result);
}
