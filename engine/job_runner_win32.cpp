#include "engine/job_runner.h"

// Windows has no kept-open session yet: the interpreter runs every tool.
std::unique_ptr<ToolRunner> makeJobRunner(ToolRunner&)
{
    return nullptr;
}
