// A worker pool that takes its files as they come, with only a few waiting at a time, so a list
// of any length runs in memory that does not grow with it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/job_context.h"
#include "util/thread.h"

class StreamedPool {
public:
    // Starts the workers: workers of them, or workerCount's number for this machine when 0.
    // At most queueLimit files wait for a worker at a time.
    StreamedPool(const JobContext& job, unsigned workers, std::size_t queueLimit = 256);
    // Finishes, as finish does.
    ~StreamedPool();

    StreamedPool(const StreamedPool&) = delete;
    StreamedPool& operator=(const StreamedPool&) = delete;

    // Hands a file to the workers, waiting while the queue is full; false once the job was
    // stopped (the file is then left alone).
    bool add(std::string file);

    // No more files: logs "Compressing N files..." with the number added, waits for the workers
    // to finish the queue (or the job to be stopped) and logs " done.". Only the first call acts.
    void finish();

private:
    void work();

    JobContext job;
    std::size_t queueLimit;
    std::mutex lock;
    std::condition_variable changed;
    std::deque<std::string> queue; // guarded by lock
    bool closed = false;           // guarded by lock
    std::uint64_t added = 0;
    bool finished = false;
    std::vector<std::unique_ptr<Thread>> workers;
};
