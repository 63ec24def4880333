#include "app/tool_output.h"
#include "app/tool_versions.h"

#include "platform/posix/process/piped_child.h"

std::string firstOutputLine(const std::string& program, const std::vector<std::string>& arguments,
                            std::chrono::milliseconds limit)
{
    posix_process::SpawnRequest request;
    request.path = program;
    request.arguments.push_back(program);
    request.arguments.insert(request.arguments.end(), arguments.begin(), arguments.end());
    request.errorsToOutput = true;
    // Started like every tool, so a probe that hangs dies with this program too.
    posix_process::PipedChild child;
    int error = 0;
    if (!child.startListening(request, &error))
        return std::string();

    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::string output, line;
    bool ended = false;
    while (!takeFirstLine(output, false, line) && output.size() < 65536) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        if (!child.readSome(&output, left)) {
            ended = true;
            break;
        }
    }
    // Whatever it still does is of no interest: its group goes, including anything it started.
    child.kill();
    takeFirstLine(output, ended, line);
    return line;
}
