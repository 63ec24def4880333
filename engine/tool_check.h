// Tells the user up front which external programs a job needs but cannot find.
#pragma once

#include <string>
#include <vector>

#include "engine/job_context.h"
#include "engine/tools.h"

// The programs these options can call for a folder job, in the tools' table order.
std::vector<const Tool*> toolsForFolder(const OptionValues& options);

// The programs these options can call for one file of the kind its path names.
std::vector<const Tool*> toolsForFile(const std::string& path, const OptionValues& options);

// Logs "Tool not found: NAME (its step leaves files unchanged)" for each tool that the runner
// cannot find (the interpreter's lookup: current folder, then PATH), or "Tool not found: NAME
// (OTHER stands in for it)" when a stand-in's program runs in its steps instead.
void reportMissingTools(const JobContext& job, const std::vector<const Tool*>& tools);
