// Tells the user up front which external programs a job needs but cannot find.
#pragma once

#include <string>
#include <vector>

#include "engine/report_surfaces.h"

// One program a step runs: the name the log shows and the command word the step uses.
struct ToolName {
    const char* shown;
    const char* command;
};

// The programs the current options can call for a folder job, in the order pngcrush, OptiPNG,
// pngout, exiftool, upx.
std::vector<ToolName> toolsForFolder();

// The programs the current options can call for one file of the kind its path names.
std::vector<ToolName> toolsForFile(const std::string& path);

// Logs "Tool not found: NAME (its step leaves files unchanged)" for each tool that the
// interpreter's lookup (current folder, then PATH) cannot find.
void reportMissingTools(ReportSurfaces& mainWindow, const std::vector<ToolName>& tools);
