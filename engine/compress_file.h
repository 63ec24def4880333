// Compresses one file in place with the tools for its kind and logs its sizes.
#pragma once

#include <cstdint>
#include <string>

#include "engine/file_kinds.h"
#include "engine/job_context.h"
#include "engine/size_report.h"

// Runs the steps of the path's kind (decided on its lower-cased text, see file_kinds.h) and
// logs the file's first and closing lines. baseFolder only shortens the logged name; it may be
// empty. Reports the file's result to the surfaces when its steps are over.
void compressFile(const JobContext& job, const std::string& path, const std::string& baseFolder,
                  StepMode mode);

// Runs a chain of steps on path, adding each step's result to result. False when a stop ends
// the file without its closing line.
bool runSteps(const JobContext& job, const std::vector<KindStep>& steps, CheckKind check,
              const std::string& path, StepMode mode, FileResult& result);

// The name the log shows: path without a leading baseFolder and the separator after it, with
// every control byte shown as an escape ("\n", "\r", "\t", else "\x1b"), so no name can start
// a line of its own in the log.
std::string displayName(const std::string& path, const std::string& baseFolder);

// Share of the first size that remains, in percent; 100 when the first size is unknown or 0.
double remainingPercent(std::int64_t sizeBefore, std::int64_t sizeAfter);
