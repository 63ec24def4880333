// The runner a job of the program starts its tools with.
#pragma once

#include <memory>

#include "engine/command_runner.h"

// A runner the job owns for its whole life, wrapping interpreter (exiftool kept open per
// thread where the system allows); null where the interpreter itself serves.
std::unique_ptr<ToolRunner> makeJobRunner(ToolRunner& interpreter);
