// The PNG pipeline by name. The steps themselves are rows of steps.h; the kinds' chains are in
// file_kinds.h.
#pragma once

#include <string>

#include "engine/job_context.h"
#include "engine/size_report.h"

// The PNG passes: the three passes with Full on (stopping between passes when the job is
// stopped), pngout alone ("Fast Compression") with Full off.
void compressPng(const JobContext& job, const std::string& path, StepMode mode);

// The name pngcrush's output once had beside the file: the path without its last four
// characters, then "_pngcrush.png". Nothing is written there any more; a file of that name is
// the user's.
std::string crushTemporaryPath(const std::string& path);
