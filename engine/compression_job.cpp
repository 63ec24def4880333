#include "engine/compression_job.h"

#include <memory>

#include "engine/clock.h"
#include "engine/compress_file.h"
#include "engine/file_queries.h"
#include "engine/file_collection.h"
#include "engine/file_kinds.h"
#include "engine/job_runner.h"
#include "engine/originals_backup.h"
#include "engine/size_report.h"
#include "engine/tool_check.h"
#include "engine/work_folder.h"
#include "engine/worker_pool.h"
#include "util/file_system.h"
#include "util/live_file.h"

namespace {

void appendStamp(const JobContext& job, const char* text, const char* lineEnd)
{
    const std::string time = currentTime().format("c");
    MutexLock lock(job.state.logMutex);
    job.surfaces.append(text);
    job.surfaces.append(time);
    job.surfaces.append(lineEnd);
}

JobOutcome compressSingleFile(const JobContext& job, const std::string& path)
{
    if (fileSize(path) < 0)
        return JobOutcome::PathMissing;
    // A folder named like a file: the tools would work on whatever lies inside it (exiftool
    // rewrites every file of a folder it is given), unlisted and without a backup.
    if (directoryExists(path))
        return JobOutcome::UnsupportedFile;
    // Only a regular file is an image: opening a pipe named like one would wait for a writer
    // forever, and a device could be endless. A link to an image stands for the image: its
    // target is compressed and the link stays a link.
    if (!isRegularFileBehindLinks(path))
        return JobOutcome::UnsupportedFile;
    reportMissingTools(job, toolsForFile(path, job.state.options));
    const std::string base = folderPart(path);
    removeLeftoverWorkFolders(base.empty() ? "." : base, false);
    if (job.option(Option::Copy) && !backupSingleFile(job.surfaces, path, base))
        return JobOutcome::BackupFailed;
    compressFile(job, path, base, currentStepMode(job.state));
    return JobOutcome::Done;
}

JobOutcome compressFolder(const JobContext& job, const std::string& folder)
{
    if (!directoryExists(folder))
        return fileSize(folder) < 0 ? JobOutcome::PathMissing : JobOutcome::UnsupportedFile;
    reportMissingTools(job, toolsForFolder(job.state.options));
    // Before the backup, so a killed run's work copies are not copied with the originals.
    removeLeftoverWorkFolders(folder, true);
    if (job.option(Option::Copy) && !backupFolderTree(job.surfaces, folder))
        return JobOutcome::BackupFailed;

    const std::vector<std::string> files = collectFiles(folder, job.state.options);
    if (job.option(Option::HogSystem)) {
        compressInParallel(job, files);
        return JobOutcome::Done;
    }
    const std::uint32_t count = static_cast<std::uint32_t>(files.size());
    for (std::uint32_t i = 0; i < count; ++i) {
        updateStatus(job, static_cast<int>(i), count);
        compressFile(job, files[i], folder, currentStepMode(job.state));
        if (!job.running())
            break;
    }
    return JobOutcome::Done;
}

} // namespace

JobStamp::JobStamp(const JobContext& job) : job(job)
{
    appendStamp(job, "Starting Compression at ", "\r\n");
    job.state.abortTools = false;
    job.state.jobActive = true;
    job.state.running = true;
}

JobStamp::JobStamp(ReportSurfaces& mainWindow) : JobStamp(processJobContext(mainWindow)) {}

JobStamp::~JobStamp()
{
    updateStatus(job, -1, 0);
    job.state.running = false;
    job.state.jobActive = false;
    appendStamp(job, "Finished Compression at ", "\r\n\r\n");
}

bool isSingleFilePath(const std::string& path)
{
    return kindOfPath(path) != nullptr;
}

std::string folderPart(const std::string& path)
{
    const std::size_t slash = path.find_last_of(pathSeparators);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

JobOutcome runCompressionJob(const JobContext& job, const std::vector<std::string>& paths)
{
    if (paths.empty())
        return JobOutcome::NoPaths;
    JobStamp stamp(job);
    JobContext withSetup = job;
    if (job.record)
        withSetup.setup = jobSetup(job);
    const std::string& path = paths.front();
    return isSingleFilePath(path) ? compressSingleFile(withSetup, path)
                                  : compressFolder(withSetup, path);
}

namespace {

// The program's jobs start their tools through a runner of their own, ended with the job.
JobOutcome runProgramJob(ReportSurfaces& mainWindow, const std::vector<std::string>& paths,
                         FinishedRecord* record)
{
    const JobContext process = processJobContext(mainWindow);
    std::unique_ptr<ToolRunner> runner = makeJobRunner(process.runner);
    JobContext job{process.surfaces, process.state, runner ? *runner : process.runner,
                   process.checker, record};
    return runCompressionJob(job, paths);
}

} // namespace

JobOutcome runCompressionJob(ReportSurfaces& mainWindow, const std::vector<std::string>& paths)
{
    return runProgramJob(mainWindow, paths, nullptr);
}

JobOutcome runRecordedCompressionJob(ReportSurfaces& mainWindow,
                                     const std::vector<std::string>& paths)
{
    // The record lives in the user's cache folder; a job that cannot use it does all the work.
    SqliteRecord record(finishedRecordPath());
    return runProgramJob(mainWindow, paths, &record);
}

std::string jobSetup(const JobContext& job)
{
    std::vector<std::string> tools;
    for (const ToolName* tool :
         {&pngcrushTool, &optipngTool, &pngoutTool, &exiftoolTool, &upxTool}) {
        tools.push_back(job.runner.locate(tool->command));
        // A stand-in's results depend on its own identity.
        if (const ToolName* standIn = standInFor(job.runner, *tool))
            tools.push_back(job.runner.locate(standIn->command));
    }
    return setupKey(job.option(Option::Full), job.option(Option::Strip), tools);
}
