#include "engine/size_report.h"

#include "util/live_file.h"
#include "util/strings.h"

StepMode currentStepMode(const EngineState& state)
{
    const bool hog = state.options[Option::HogSystem];
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

void updateStatus(const JobContext& job, int index, std::uint32_t count)
{
    MutexLock lock(job.state.statusMutex);
    if (index != -1)
        job.surfaces.setStatusText(0, "Compressing File: " + std::to_string(index + 1) + "/" +
                                          std::to_string(count));
    job.surfaces.setStatusText(1, "Saved: " + kilobytesText(job.state.totalSaved) + " KB");
}

SizeReport::SizeReport(const JobContext& job, const std::string& label, const std::string& path,
                       bool logging)
    : job(job), logging(logging), path(path), sizeBefore(fileSize(path))
{
    if (logging)
        job.surfaces.append(label);
}

SizeReport::~SizeReport()
{
    const std::int64_t sizeAfter = fileSize(path);
    if (logging) {
        job.surfaces.append(" New Size: ");
        job.surfaces.append(sizeText(sizeAfter));
        job.surfaces.append(" KB");
        job.surfaces.append("\r\n");
    }
    // A file that was missing before or vanished during the step has no saving to count.
    if (saving)
        job.state.addToTotalSaved(*saving);
    else if (sizeBefore >= 0 && sizeAfter >= 0)
        job.state.addToTotalSaved(sizeBefore - sizeAfter);
    updateStatus(job, -1, 0);
}
