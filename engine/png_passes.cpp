#include "engine/png_passes.h"

#include <cstdio>

#include <sys/stat.h>

#include "engine/engine_state.h"
#include "engine/tool_command.h"
#include "util/live_file.h"

std::string crushTemporaryPath(const std::string& path)
{
    const std::string stem = path.size() >= 4 ? path.substr(0, path.size() - 4) : std::string();
    return stem + "_pngcrush.png";
}

void stripMetadata(ReportSurfaces& mainWindow, const std::string& path, StepMode mode)
{
    SizeReport report(mainWindow, "     Stripping MetaData... ", path, mode.logging);
    runToolCommand("exiftool -overwrite_original -all= " + quotedPathArgument(path),
                   mode.highPriority);
}

void crushPng(ReportSurfaces& mainWindow, const std::string& path, StepMode mode)
{
    SizeReport report(mainWindow, "     Pass 1/3... ", path, mode.logging);
    const std::string temporary = crushTemporaryPath(path);
    // A file already bearing the temporary name is someone's file: pngcrush would overwrite it
    // and the pass would then delete or rename it. Leave both files alone instead.
    if (fileSize(temporary) >= 0)
        return;
    runToolCommand("pngcrush.exe -brute -reduce " + quotedPathArgument(path) + " " +
                       quotedPathArgument(temporary),
                   mode.highPriority);
    const std::int64_t crushedSize = fileSize(temporary);
    if (crushedSize < 0)
        return;
    const std::int64_t originalSize = fileSize(path);
    // An empty result is a run that failed, never a smaller image. One rename over the
    // original, so a crash never leaves the image only under the temporary name; the result
    // takes the original's permissions, so a private file does not become readable to others.
    struct stat original {};
    if (crushedSize > 0 && crushedSize < originalSize && ::stat(path.c_str(), &original) == 0) {
        ::chmod(temporary.c_str(), original.st_mode & 07777);
        if (std::rename(temporary.c_str(), path.c_str()) != 0)
            std::remove(temporary.c_str());
    } else {
        std::remove(temporary.c_str());
    }
}

void optimizePng(ReportSurfaces& mainWindow, const std::string& path, StepMode mode)
{
    SizeReport report(mainWindow, "     Pass 2/3... ", path, mode.logging);
    runToolCommand("OptiPNG -o7 " + quotedPathArgument(path), mode.highPriority);
}

void compressPng(ReportSurfaces& mainWindow, const std::string& path, StepMode mode)
{
    const char* label = "     Fast Compression... ";
    if (Full) {
        crushPng(mainWindow, path, mode);
        if (!compressionRunning)
            return;
        optimizePng(mainWindow, path, mode);
        if (!compressionRunning)
            return;
        if (Full)
            label = "     Pass 3/3... ";
    }
    SizeReport report(mainWindow, label, path, mode.logging);
    runToolCommand("pngout " + quotedPathArgument(path), mode.highPriority);
}
