#include "engine/job_runner.h"

#ifndef _WIN32
#include "engine/exiftool_session_runner.h"
#endif

std::unique_ptr<ToolRunner> makeJobRunner(ToolRunner& interpreter)
{
#ifdef _WIN32
    (void)interpreter;
    return nullptr;
#else
    return std::make_unique<ExiftoolSessionRunner>(interpreter);
#endif
}
