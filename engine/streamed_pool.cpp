#include "engine/streamed_pool.h"

#include <chrono>
#include <limits>
#include <thread>

#include "engine/compress_file.h"
#include "engine/size_report.h"
#include "engine/worker_pool.h"

namespace {

// How often a waiting side looks at the running flag, which Stop clears without notifying us.
constexpr std::chrono::milliseconds stopCheck(100);

} // namespace

StreamedPool::StreamedPool(const JobContext& job, unsigned wanted, std::size_t queueLimit)
    : job(job), queueLimit(queueLimit)
{
    const std::uint32_t count = wanted > 0 ? wanted
                                           : workerCount(std::thread::hardware_concurrency(),
                                                         std::numeric_limits<std::size_t>::max());
    workers.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        workers.push_back(std::make_unique<Thread>());
        workers.back()->start([this] { work(); }, true);
    }
}

StreamedPool::~StreamedPool()
{
    finish();
}

bool StreamedPool::add(std::string file)
{
    std::unique_lock<std::mutex> guard(lock);
    while (queue.size() >= queueLimit) {
        if (!job.running())
            return false;
        changed.wait_for(guard, stopCheck);
    }
    if (!job.running())
        return false;
    queue.push_back(std::move(file));
    ++added;
    changed.notify_one();
    return true;
}

void StreamedPool::finish()
{
    if (finished)
        return;
    finished = true;
    {
        MutexLock logLock(job.state.logMutex);
        job.surfaces.append("Compressing ");
        job.surfaces.append(std::to_string(added));
        job.surfaces.append(" files...");
    }
    {
        std::lock_guard<std::mutex> guard(lock);
        closed = true;
        changed.notify_all();
    }
    for (auto& worker : workers)
        worker->join();
    MutexLock logLock(job.state.logMutex);
    job.surfaces.append(" done.");
    job.surfaces.append("\r\n");
}

void StreamedPool::work()
{
    // Quiet and high-priority, as the other pool: workers never write interleaved file lines.
    const StepMode quiet{false, true};
    struct Finish {
        ToolRunner& runner;
        ~Finish() { runner.threadFinished(); }
    } finish{job.runner};
    for (;;) {
        std::string file;
        {
            std::unique_lock<std::mutex> guard(lock);
            while (queue.empty() && !closed && job.running())
                changed.wait_for(guard, stopCheck);
            if (queue.empty() || !job.running())
                return;
            file = std::move(queue.front());
            queue.pop_front();
            changed.notify_all();
        }
        compressFile(job, file, "", quiet);
        updateStatus(job, -1, 0);
    }
}
