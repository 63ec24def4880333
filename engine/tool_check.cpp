#include "engine/tool_check.h"

#include <algorithm>

#include "engine/file_kinds.h"

namespace {

// The tools the kind's steps can run under the options, as the steps' gates read them now.
void addToolsOf(const FileKind& kind, const OptionValues& options, std::vector<const Tool*>& used)
{
    for (const KindStep& entry : kind.steps) {
        if (!gateOpen(entry, options))
            continue;
        used.push_back(entry.step->tool);
        if (entry.fastStep)
            used.push_back(entry.fastStep->tool);
    }
}

std::vector<const Tool*> inToolOrder(const std::vector<const Tool*>& used)
{
    std::vector<const Tool*> tools;
    for (const Tool* tool : allTools())
        if (std::find(used.begin(), used.end(), tool) != used.end())
            tools.push_back(tool);
    return tools;
}

} // namespace

std::vector<const Tool*> toolsForFolder(const OptionValues& options)
{
    std::vector<const Tool*> used;
    for (const FileKind& kind : fileKinds())
        if (kindEnabledForWalk(kind, options))
            addToolsOf(kind, options, used);
    return inToolOrder(used);
}

std::vector<const Tool*> toolsForFile(const std::string& path, const OptionValues& options)
{
    std::vector<const Tool*> used;
    if (const FileKind* kind = kindOfPath(path))
        addToolsOf(*kind, options, used);
    return inToolOrder(used);
}

void reportMissingTools(const JobContext& job, const std::vector<const Tool*>& tools)
{
    for (const Tool* tool : tools) {
        if (job.runner.canFind(tool->command))
            continue;
        const Tool* standIn = standInFor(job.runner, *tool);
        MutexLock lock(job.state.logMutex);
        job.surfaces.append("Tool not found: ");
        job.surfaces.append(tool->shown);
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
