#include "engine/compression_job.h"

#include <algorithm>
#include <memory>

#include "engine/backup_journal.h"
#include "engine/clock.h"
#include "engine/compress_file.h"
#include "engine/file_collection.h"
#include "engine/file_kinds.h"
#include "engine/file_queries.h"
#include "engine/job_runner.h"
#include "engine/originals_backup.h"
#include "engine/size_report.h"
#include "engine/streamed_pool.h"
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

// Whether the path can be worked on at all, before anything is logged or backed up for it.
JobOutcome admit(const std::string& path)
{
    if (isSingleFilePath(path)) {
        if (fileSize(path) < 0)
            return JobOutcome::PathMissing;
        // A folder named like a file: the tools would work on whatever lies inside it (exiftool
        // rewrites every file of a folder it is given), unlisted and without a backup.
        if (directoryExists(path))
            return JobOutcome::UnsupportedFile;
        // Only a regular file is an image: opening a pipe named like one would wait for a
        // writer forever, and a device could be endless. A link to an image stands for the
        // image: its target is compressed and the link stays a link.
        if (!isRegularFileBehindLinks(path))
            return JobOutcome::UnsupportedFile;
        return JobOutcome::Done;
    }
    if (!directoryExists(path))
        return fileSize(path) < 0 ? JobOutcome::PathMissing : JobOutcome::UnsupportedFile;
    return JobOutcome::Done;
}

// The tools the admitted paths can run, each once, in the tools' table order; with a list not
// read yet, any path may be a folder.
std::vector<const Tool*> toolsFor(const std::vector<std::string>& paths,
                                  const std::vector<JobOutcome>& admitted,
                                  const OptionValues& options, bool listed)
{
    std::vector<const Tool*> used;
    if (listed)
        used = toolsForFolder(options);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (admitted[i] != JobOutcome::Done)
            continue;
        const std::vector<const Tool*> tools =
            isSingleFilePath(paths[i]) ? toolsForFile(paths[i], options) : toolsForFolder(options);
        used.insert(used.end(), tools.begin(), tools.end());
    }
    std::vector<const Tool*> ordered;
    for (const Tool* tool : allTools())
        if (std::find(used.begin(), used.end(), tool) != used.end())
            ordered.push_back(tool);
    return ordered;
}

// Whether the record says every one of files is finished, so the job will compress none of them
// and a backup would only copy what stays as it is. Stops at the first file that is not; the
// hashes taken are kept for the files' turn.
bool nothingToCompress(const JobContext& job, const PathList& files, HashMemo& memo)
{
    if (!job.record || job.setup.empty() || files.empty())
        return false;
    for (std::size_t i = 0; i < files.size(); ++i)
        if (!job.record->isFinished(memo.remember(files[i]), job.setup))
            return false;
    return true;
}

// Clears away what killed runs left in folder, saying which half-done rewrites it left alone.
void removeLeftovers(const JobContext& job, const std::string& folder, bool recursive)
{
    for (const UnfinishedRewrite& file : removeLeftoverWorkFolders(folder, recursive)) {
        MutexLock lock(job.state.logMutex);
        job.surfaces.append("Not finishing the interrupted rewrite of " +
                            displayName(file.path, folder) + ": " + file.reason + "\r\n");
    }
}

// pooled: the files go to one pool for the whole job instead of being compressed here.
JobOutcome compressSingleFile(const JobContext& job, const JobRequest& request,
                              const std::string& path, BackupJournal& backups, HashMemo& memo,
                              PathList* pooled)
{
    const std::string base = folderPart(path);
    const std::string folder = base.empty() ? "." : base;
    if (!job.clearedFolder || *job.clearedFolder != folder) {
        removeLeftovers(job, folder, false);
        if (job.clearedFolder)
            *job.clearedFolder = folder;
    }
    if (!inShard(path.substr(base.size()), request.shard))
        return JobOutcome::Done;
    if (request.options[Option::Copy] &&
        nothingToCompress(job, PathList(std::vector<std::string>{path}), memo)) {
        reportNoBackupNeeded(job.surfaces);
    } else if (request.options[Option::Copy]) {
        std::unique_ptr<ManifestWriter> manifest;
        if (!backupSingleFile(job.surfaces, path, base, &manifest))
            return JobOutcome::BackupFailed;
        backups.addFile(path, std::move(manifest));
    }
    job.surfaces.filesFound(1);
    if (pooled)
        pooled->push_back(path);
    else
        compressFile(job, path, base, currentStepMode(job.state));
    return JobOutcome::Done;
}

JobOutcome compressFolder(const JobContext& job, const JobRequest& request,
                          const std::string& folder, BackupJournal& backups, HashMemo& memo,
                          PathList* pooled)
{
    const OptionValues& options = request.options;
    // Before the backup, so a killed run's work copies are not copied with the originals.
    removeLeftovers(job, folder, true);

    // Collected before the backup, which lies beside the folder, outside the walk.
    PathList files = collectFiles(folder, options);
    if (request.shard.count > 1) {
        const std::size_t start = withTrailingSeparator(folder).size();
        files.keepIf(
            [&](const std::string& file) { return inShard(file.substr(start), request.shard); });
    }
    job.surfaces.filesFound(files.size());
    if (options[Option::Copy] && nothingToCompress(job, files, memo)) {
        reportNoBackupNeeded(job.surfaces);
    } else if (options[Option::Copy]) {
        std::unique_ptr<ManifestWriter> manifest;
        if (!backupFolderTree(job.surfaces, folder, &manifest))
            return JobOutcome::BackupFailed;
        backups.addFolder(folder, std::move(manifest));
    }
    if (pooled) {
        pooled->append(files);
        return JobOutcome::Done;
    }
    if (options[Option::HogSystem]) {
        compressInParallel(job, files, request.workers);
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

// Whether some kind's step runs the tool under these options, Full and Strip aside: a key names
// the tools of the passes and the strip whatever those say.
bool mayRun(const Tool& tool, const OptionValues& options)
{
    for (const FileKind& kind : fileKinds())
        for (const KindStep& entry : kind.steps)
            if ((entry.step->tool == &tool || (entry.fastStep && entry.fastStep->tool == &tool)) &&
                (entry.gate != StepGate::WhenOption || options[entry.option]))
                return true;
    return false;
}

// The paths of a list, each admitted, backed up and compressed (or handed to one pool for the
// whole list) as it is read.
void compressListed(const JobContext& job, const JobRequest& request, BackupJournal& backups,
                    HashMemo& memo)
{
    std::unique_ptr<StreamedPool> pool;
    if (request.options[Option::HogSystem])
        pool = std::make_unique<StreamedPool>(job, request.workers);
    std::string path;
    while (job.running() && request.listed->next(path)) {
        JobOutcome outcome = admit(path);
        if (outcome == JobOutcome::Done) {
            PathList files;
            PathList* pooled = pool ? &files : nullptr;
            outcome = isSingleFilePath(path)
                          ? compressSingleFile(job, request, path, backups, memo, pooled)
                          : compressFolder(job, request, path, backups, memo, pooled);
            for (std::size_t i = 0; i < files.size(); ++i)
                if (!pool->add(files[i]))
                    break;
        }
        if (request.listedPathEnded)
            request.listedPathEnded(path, outcome);
    }
    if (job.running())
        job.surfaces.allPathsTaken();
    if (pool)
        pool->finish();
}

} // namespace

JobStamp::JobStamp(const JobContext& job) : job(job)
{
    appendStamp(job, "Starting Compression at ", "\r\n");
    job.state.abortTools = false;
    job.state.jobActive = true;
    job.state.running = true;
}

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

std::vector<JobOutcome> runCompressionJob(const JobContext& job, const JobRequest& request)
{
    std::vector<JobOutcome> outcomes;
    if (request.paths.empty() && !request.listed)
        return outcomes;
    JobStamp stamp(job);
    JobContext withSetup = job;
    LinkedNames linkedNames;
    withSetup.linkedNames = &linkedNames;
    if (job.record)
        withSetup.setup = jobSetup(job, request.options);
    BackupJournal backups;
    withSetup.journal = &backups;
    HashMemo memo;
    withSetup.hashes = &memo;
    std::string clearedFolder;
    withSetup.clearedFolder = &clearedFolder;
    for (const std::string& path : request.paths)
        outcomes.push_back(admit(path));
    reportMissingTools(
        job, toolsFor(request.paths, outcomes, request.options, request.listed != nullptr));
    if (request.listed) {
        compressListed(withSetup, request, backups, memo);
        return outcomes;
    }
    // Several paths with HogSystem on: every path is backed up first, then one pool takes all
    // their files.
    PathList pool;
    PathList* pooled =
        request.options[Option::HogSystem] && request.paths.size() > 1 ? &pool : nullptr;
    for (std::size_t i = 0; i < request.paths.size() && job.running(); ++i) {
        if (i + 1 == request.paths.size())
            job.surfaces.allPathsTaken();
        if (outcomes[i] != JobOutcome::Done)
            continue;
        const std::string& path = request.paths[i];
        outcomes[i] = isSingleFilePath(path)
                          ? compressSingleFile(withSetup, request, path, backups, memo, pooled)
                          : compressFolder(withSetup, request, path, backups, memo, pooled);
    }
    if (pooled && job.running())
        compressInParallel(withSetup, pool, request.workers);
    return outcomes;
}

std::vector<JobOutcome> runProgramJob(ReportSurfaces& surfaces, EngineState& state,
                                      const JobRequest& request)
{
    InterpreterRunner interpreter;
    // The job's tools start through a runner of its own, ended with the job.
    std::unique_ptr<ToolRunner> runner = makeJobRunner(interpreter);
    ContentChecker checker(interpreter);
    // The record lives in the user's cache folder; a job that cannot use it does all the work.
    SqliteRecord record(finishedRecordPath());
    const JobContext job{surfaces, state, runner ? *runner : interpreter, checker, &record};
    return runCompressionJob(job, request);
}

std::string jobSetup(const JobContext& job, const OptionValues& options)
{
    std::vector<std::string> tools;
    for (const Tool* tool : allTools()) {
        // A stand-in counts where it stands in, after the tool it replaces; a tool that only an
        // option that is off would run changes nothing.
        if (isStandIn(*tool) || !mayRun(*tool, options))
            continue;
        tools.push_back(job.runner.locate(tool->command));
        if (const Tool* standIn = standInFor(job.runner, *tool))
            tools.push_back(job.runner.locate(standIn->command));
    }
    return setupKey(options[Option::Full], options[Option::Strip], options[Option::Optimize],
                    tools);
}
