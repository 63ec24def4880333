#include "engine/worker_pool.h"

#include <algorithm>
#include <memory>
#include <thread>

#include "engine/compress_file.h"
#include "engine/size_report.h"

std::uint32_t workerCount(std::uint32_t processors, std::size_t files)
{
    std::uint32_t count = processors * 2;
    if (count == 0)
        count = 4;
    if (files < count)
        count = static_cast<std::uint32_t>(files);
    return count;
}

void compressionWorker(const JobContext& job, const PathList& files)
{
    const std::size_t count = files.size();
    // The pool keeps the quiet, high-priority mode it started with even if HogSystem is
    // switched off meanwhile, so workers never write interleaved per-file lines.
    const StepMode quiet{false, true};
    // Whatever the runner keeps for this thread ends with it.
    struct Finish {
        ToolRunner& runner;
        ~Finish() { runner.threadFinished(); }
    } finish{job.runner};
    while (job.running()) {
        std::uint32_t index;
        {
            MutexLock lock(job.state.counterMutex);
            index = job.state.nextFileIndex;
            if (index >= count)
                return;
            job.state.nextFileIndex = index + 1;
        }
        updateStatus(job, static_cast<int>(index), static_cast<std::uint32_t>(count));
        compressFile(job, files[index], "", quiet);
        updateStatus(job, -1, 0);
    }
}

void compressInParallel(const JobContext& job, const PathList& files, unsigned wanted)
{
    {
        MutexLock lock(job.state.logMutex);
        job.surfaces.append("Compressing ");
        job.surfaces.append(std::to_string(files.size()));
        job.surfaces.append(" files...");
    }
    {
        MutexLock lock(job.state.counterMutex);
        job.state.nextFileIndex = 0;
    }
    std::uint32_t count = workerCount(std::thread::hardware_concurrency(), files.size());
    if (wanted > 0)
        count = std::min<std::uint32_t>(wanted, static_cast<std::uint32_t>(files.size()));
    std::vector<std::unique_ptr<Thread>> workers;
    workers.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        workers.push_back(std::make_unique<Thread>());
        workers.back()->start([&job, &files] { compressionWorker(job, files); }, true);
    }
    for (auto& worker : workers)
        worker->join();
    {
        MutexLock lock(job.state.logMutex);
        job.surfaces.append(" done.");
        job.surfaces.append("\r\n");
    }
}
