#include "engine/size_report.h"

#include "engine/engine_state.h"
#include "util/live_file.h"
#include "util/strings.h"

StepMode currentStepMode()
{
    const bool hog = HogSystem;
    return StepMode{!hog, hog};
}

std::string kilobytesText(std::int64_t bytes)
{
    return numberToText(static_cast<double>(bytes) / 1024.0, 3);
}

std::string sizeText(std::int64_t bytes)
{
    return kilobytesText(bytes < 0 ? 0 : bytes);
}

void updateStatus(ReportSurfaces& mainWindow, int index, std::uint32_t count)
{
    MutexLock lock(statusMutex);
    if (index != -1)
        mainWindow.setStatusText(0, "Compressing File: " + std::to_string(index + 1) + "/" +
                                        std::to_string(count));
    mainWindow.setStatusText(1, "Saved: " + kilobytesText(totalSaved) + " KB");
}

void addToTotalSaved(std::int64_t bytes)
{
    MutexLock lock(statusMutex);
    totalSaved += bytes;
}

SizeReport::SizeReport(ReportSurfaces& mainWindow, const std::string& label,
                       const std::string& path, bool logging)
    : logging(logging), path(path), mainWindow(mainWindow), sizeBefore(fileSize(path))
{
    if (logging)
        mainWindow.append(label);
}

SizeReport::~SizeReport()
{
    const std::int64_t sizeAfter = fileSize(path);
    if (logging) {
        mainWindow.append(" New Size: ");
        mainWindow.append(sizeText(sizeAfter));
        mainWindow.append(" KB");
        mainWindow.append("\r\n");
    }
    // A file that was missing before or vanished during the step has no saving to count.
    if (sizeBefore >= 0 && sizeAfter >= 0)
        addToTotalSaved(sizeBefore - sizeAfter);
    updateStatus(mainWindow, -1, 0);
}
