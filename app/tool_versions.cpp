#include "app/tool_versions.h"

#include <algorithm>

#include "app/tool_output.h"
#include "engine/command_runner.h"
#include "engine/file_kinds.h"
#include "platform/process_additions.h"

namespace {

// The tools in the order a file's steps run them: the kinds' steps, each tool once; stand-ins
// are listed with the tool they stand in for.
std::vector<const Tool*> toolsInStepOrder()
{
    std::vector<const Tool*> tools;
    for (const FileKind& kind : fileKinds())
        for (const KindStep& entry : kind.steps)
            for (const Step* step : {entry.step, entry.fastStep})
                if (step && std::find(tools.begin(), tools.end(), step->tool) == tools.end())
                    tools.push_back(step->tool);
    return tools;
}

std::string trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

bool takeFirstLine(const std::string& text, bool final, std::string& line)
{
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            line = final ? trimmed(text.substr(start)) : std::string();
            return !line.empty();
        }
        line = trimmed(text.substr(start, end - start));
        if (!line.empty())
            return true;
        start = end + 1;
    }
}

std::vector<ToolReport> findTools(std::chrono::milliseconds limit)
{
    InterpreterRunner interpreter;
    std::vector<ToolReport> tools;
    for (const Tool* known : toolsInStepOrder()) {
        ToolReport tool{known->shown, known->command, "", ""};
        if (cmdFindProgram(tool.command, &tool.path))
            tool.version = firstOutputLine(tool.path, known->versionArguments, limit);
        else
            tool.path.clear();
        const Tool* standIn = tool.path.empty() ? standInFor(interpreter, *known) : nullptr;
        if (standIn && cmdFindProgram(standIn->command, &tool.standInPath)) {
            tool.standIn = standIn->shown;
            tool.standInVersion =
                firstOutputLine(tool.standInPath, standIn->versionArguments, limit);
        }
        tools.push_back(tool);
    }
    return tools;
}

std::string toolsText(const std::vector<ToolReport>& tools)
{
    std::size_t nameWidth = 0, pathWidth = 0;
    for (const ToolReport& tool : tools) {
        nameWidth = std::max(nameWidth, tool.shown.size());
        pathWidth = std::max(pathWidth, tool.path.size());
    }
    std::string text;
    for (const ToolReport& tool : tools) {
        std::string line = tool.shown + std::string(nameWidth - tool.shown.size() + 2, ' ');
        if (tool.path.empty()) {
            line += "missing";
            if (!tool.standIn.empty()) {
                line += "; " + tool.standIn + " stands in: " + tool.standInPath;
                if (!tool.standInVersion.empty())
                    line += "  " + tool.standInVersion;
            }
        } else {
            line += tool.path;
            if (!tool.version.empty())
                line += std::string(pathWidth - tool.path.size() + 2, ' ') + tool.version;
        }
        text += line + "\n";
    }
    return text;
}
