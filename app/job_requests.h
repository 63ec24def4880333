// The job requests the program builds: from a drop (and each --open path) and from the command
// line.
#pragma once

#include <string>
#include <vector>

#include "app/arguments.h"
#include "engine/job_request.h"

// A drop compresses its first path; the others are ignored. Empty paths give an empty request.
JobRequest dropRequest(const std::vector<std::string>& paths, const OptionValues& options);

// A headless run compresses every path of the command line, in order, as one job, with the
// settings' options as the command line's option flags change them; --jobs turns the pool on
// with its number of workers.
// Paths must already be absolute (the program's folder becomes the current one before the job).
JobRequest commandLineRequest(const CommandLine& command, const OptionValues& options);
