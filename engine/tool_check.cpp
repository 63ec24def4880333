#include "engine/tool_check.h"

#include <algorithm>
#include <string_view>

#include "engine/file_kinds.h"

namespace {

const ToolName* const toolOrder[] = {&pngcrushTool, &optipngTool, &pngoutTool, &exiftoolTool,
                                     &upxTool};

// The tools the kind's steps can run under the options, as the steps' gates read them now.
void addToolsOf(const FileKind& kind, const OptionFlags& options,
                std::vector<const ToolName*>& used)
{
    for (const KindStep& entry : kind.steps) {
        if (entry.gate == StepGate::WhenStrip && !options[Option::Strip])
            continue;
        if (entry.gate == StepGate::WhenFull && !options[Option::Full])
            continue;
        used.push_back(&entry.step->tool);
        if (entry.fastStep)
            used.push_back(&entry.fastStep->tool);
    }
}

std::vector<ToolName> inToolOrder(const std::vector<const ToolName*>& used)
{
    std::vector<ToolName> tools;
    for (const ToolName* tool : toolOrder) {
        const std::string_view command = tool->command;
        if (std::any_of(used.begin(), used.end(),
                        [command](const ToolName* step) { return step->command == command; }))
            tools.push_back(*tool);
    }
    return tools;
}

} // namespace

std::vector<ToolName> toolsForFolder(const OptionFlags& options)
{
    std::vector<const ToolName*> used;
    for (const FileKind& kind : fileKinds())
        if (kindEnabledForWalk(kind, options))
            addToolsOf(kind, options, used);
    return inToolOrder(used);
}

std::vector<ToolName> toolsForFolder()
{
    return toolsForFolder(processEngineState().options);
}

std::vector<ToolName> toolsForFile(const std::string& path, const OptionFlags& options)
{
    std::vector<const ToolName*> used;
    if (const FileKind* kind = kindOfPath(path))
        addToolsOf(*kind, options, used);
    return inToolOrder(used);
}

std::vector<ToolName> toolsForFile(const std::string& path)
{
    return toolsForFile(path, processEngineState().options);
}

void reportMissingTools(const JobContext& job, const std::vector<ToolName>& tools)
{
    for (const ToolName& tool : tools) {
        if (job.runner.canFind(tool.command))
            continue;
        const ToolName* standIn = standInFor(job.runner, tool);
        MutexLock lock(job.state.logMutex);
        job.surfaces.append("Tool not found: ");
        job.surfaces.append(tool.shown);
        if (standIn) {
            job.surfaces.append(" (");
            job.surfaces.append(standIn->shown);
            job.surfaces.append(" stands in for it)");
        } else {
            job.surfaces.append(" (its step leaves files unchanged)");
        }
        job.surfaces.append("\r\n");
    }
}

void reportMissingTools(ReportSurfaces& mainWindow, const std::vector<ToolName>& tools)
{
    reportMissingTools(processJobContext(mainWindow), tools);
}
