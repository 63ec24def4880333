#include "app/tool_versions.h"

#include <algorithm>

#include "app/tool_output.h"
#include "engine/command_runner.h"
#include "engine/steps.h"
#include "platform/process_additions.h"

namespace {

struct KnownTool {
    const char* shown;
    const char* command;
    std::vector<std::string> versionArguments; // pngout has no version flag: its usage says it
};

// The engine's names and command words, in the order --tools lists them.
const KnownTool knownTools[] = {
    {"exiftool", "exiftool", {"-ver"}}, {"pngcrush", "pngcrush.exe", {"-version"}},
    {"OptiPNG", "OptiPNG", {"-v"}},     {"pngout", "pngout", {}},
    {"upx", "upx.exe", {"--version"}},
};

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
    std::vector<ToolReport> tools;
    for (const KnownTool& known : knownTools) {
        ToolReport tool{known.shown, known.command, "", ""};
        if (cmdFindProgram(tool.command, &tool.path))
            tool.version = firstOutputLine(tool.path, known.versionArguments, limit);
        else
            tool.path.clear();
        const ToolName* standIn =
            tool.path.empty()
                ? standInFor(interpreterRunner(), ToolName{known.shown, known.command})
                : nullptr;
        if (standIn && cmdFindProgram(standIn->command, &tool.standInPath)) {
            tool.standIn = standIn->shown;
            // Its usage's first line names it; it has no version flag.
            tool.standInVersion = firstOutputLine(tool.standInPath, {}, limit);
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
