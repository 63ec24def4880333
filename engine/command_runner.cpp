#include "engine/command_runner.h"

#include "engine/tool_runner.h"
#include "platform/win32/base.h"
#include "platform/process_additions.h"

RunOutcome InterpreterRunner::run(const ToolRun& tool)
{
    return runCommandWithin(tool.command, tool.highPriority, tool.timeLimit, tool.abort);
}

bool InterpreterRunner::canFind(const std::string& program)
{
    return cmdFindProgram(program, nullptr);
}

std::string InterpreterRunner::locate(const std::string& program)
{
    std::string path;
    return cmdFindProgram(program, &path) ? path : std::string();
}
