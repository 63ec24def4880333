// Compresses a list of files on 2 x processors worker threads at once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/job_context.h"
#include "util/path_list.h"

// Logs "Compressing N files...", runs the workers until the list is used up or the job is
// stopped, waits for all of them and logs " done.". Workers log nothing per file; they update
// the status bar and the total.
// workers: how many (0: workerCount's number for this machine).
void compressInParallel(const JobContext& job, const PathList& files, unsigned workers = 0);

// What each worker runs: takes the next index under counterMutex and compresses that file,
// until the list is used up or the running flag is cleared.
void compressionWorker(const JobContext& job, const PathList& files);

// Number of workers for a list: twice the processors (4 if that is 0), at most one per file.
std::uint32_t workerCount(std::uint32_t processors, std::size_t files);
