#include "engine/tool_check.h"

#include "engine/engine_state.h"
#include "platform/win32/base.h"
#include "platform/win32/process.h"
#include "util/strings.h"

namespace {

const ToolName pngcrushTool{"pngcrush", "pngcrush.exe"};
const ToolName optipngTool{"OptiPNG", "OptiPNG"};
const ToolName pngoutTool{"pngout", "pngout"};
const ToolName exiftoolTool{"exiftool", "exiftool"};
const ToolName upxTool{"upx", "upx.exe"};

void addPngTools(std::vector<ToolName>& tools)
{
    if (Full)
        tools.insert(tools.end(), {pngcrushTool, optipngTool});
    tools.push_back(pngoutTool);
}

} // namespace

std::vector<ToolName> toolsForFolder()
{
    std::vector<ToolName> tools;
    if (Pngs)
        addPngTools(tools);
    if (Strip && (Pngs || Tifs || Jpgs || Gifs || Pdfs))
        tools.push_back(exiftoolTool);
    if (Apps)
        tools.push_back(upxTool);
    return tools;
}

std::vector<ToolName> toolsForFile(const std::string& path)
{
    const std::string lower = toLowerCopy(path);
    std::vector<ToolName> tools;
    if (endsWith(lower, ".exe") || endsWith(lower, ".dll")) {
        tools.push_back(upxTool);
    } else if (endsWith(lower, ".png")) {
        addPngTools(tools);
        if (Strip)
            tools.push_back(exiftoolTool);
    } else if (Strip) {
        tools.push_back(exiftoolTool);
    }
    return tools;
}

void reportMissingTools(ReportSurfaces& mainWindow, const std::vector<ToolName>& tools)
{
    for (const ToolName& tool : tools) {
        if (cmdFindProgram(tool.command, nullptr))
            continue;
        MutexLock lock(logMutex);
        mainWindow.append("Tool not found: ");
        mainWindow.append(tool.shown);
        mainWindow.append(" (its step leaves files unchanged)");
        mainWindow.append("\r\n");
    }
}
