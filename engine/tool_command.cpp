#include "engine/tool_command.h"

#include "engine/tool_runner.h"

std::string quotedPathArgument(const std::string& path)
{
    if (!path.empty() && path[0] == '-')
        return quoteArgument("./" + path);
    return quoteArgument(path);
}
