#include "engine/command_runner.h"

#include "engine/tool_runner.h"
#include "platform/win32/base.h"
#include "platform/win32/process.h"

std::int32_t InterpreterRunner::run(const std::string& command, bool highPriority)
{
    return runCommand(command, "", highPriority);
}

bool InterpreterRunner::canFind(const std::string& program)
{
    return cmdFindProgram(program, nullptr);
}

ToolRunner& interpreterRunner()
{
    static InterpreterRunner runner;
    return runner;
}
