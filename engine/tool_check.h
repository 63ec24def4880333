// Tells the user up front which external programs a job needs but cannot find.
#pragma once

#include <string>
#include <vector>

#include "engine/job_context.h"
#include "engine/steps.h"

// The programs the current options can call for a folder job, in the order pngcrush, OptiPNG,
// pngout, exiftool, upx.
std::vector<ToolName> toolsForFolder(const OptionFlags& options);
std::vector<ToolName> toolsForFolder();

// The programs the current options can call for one file of the kind its path names.
std::vector<ToolName> toolsForFile(const std::string& path, const OptionFlags& options);
std::vector<ToolName> toolsForFile(const std::string& path);

// Logs "Tool not found: NAME (its step leaves files unchanged)" for each tool that the runner
// cannot find (the interpreter's lookup: current folder, then PATH), or "Tool not found: NAME
// (OTHER stands in for it)" when a stand-in's program runs in its steps instead.
void reportMissingTools(const JobContext& job, const std::vector<ToolName>& tools);
void reportMissingTools(ReportSurfaces& mainWindow, const std::vector<ToolName>& tools);
