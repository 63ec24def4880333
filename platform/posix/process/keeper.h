// The keeper: a small process between this program and each tool. It adopts whatever the tool
// leaves behind (it is a child subreaper), and when the tool ends, when it is told to end the
// tool (SIGTERM) or when the thread that started it ends (this program killed outright, too),
// it kills every process the tool started, in or out of the tool's process group, and then
// ends itself the way the tool ended.
#pragma once

#include "platform/posix/process/child_start.h"

namespace posix_process {

// The pieces a keeper is made of; like everything here, async-signal-safe and allocation-free.

// Closes every descriptor above 2 except the ones in keep (-1 entries are ignored).
void closeAllBut(const int (&keep)[3]);
// Standard input, output and errors on /dev/null.
void nullStreams();
// Kills the tool's group and every child of this process (what the tool left, adopted by the
// subreaper) until none is left; toolEnded and toolStatus get the tool's end if it comes now.
void endEverything(pid_t tool, bool& toolEnded, int& toolStatus);

// Runs in a fork of this program, with every signal blocked; never returns. Starts the tool of
// plan with startTool, which runs it in its own process group.
[[noreturn]] void runKeeper(const ChildPlan& plan, pid_t (*startTool)(const ChildPlan&));

} // namespace posix_process
