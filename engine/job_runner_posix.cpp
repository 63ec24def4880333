#include "engine/exiftool_session_runner.h"
#include "engine/job_runner.h"

std::unique_ptr<ToolRunner> makeJobRunner(ToolRunner& interpreter)
{
    return std::make_unique<ExiftoolSessionRunner>(interpreter);
}
