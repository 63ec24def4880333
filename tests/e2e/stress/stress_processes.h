// Starting, killing and watching the program under test and what it leaves running.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include <sys/types.h>

using Clock = std::chrono::steady_clock;

// Whether an executable of that name is on PATH.
bool onPath(const std::string& tool);

// Starts program on folder with both outputs going to the file log.
pid_t start(const std::string& program, const std::string& folder, const std::string& log);

// Starts program with the option before the folder, outputs as above.
pid_t start(const std::string& program, const std::string& option, const std::string& folder,
            const std::string& log);

// Waits for the run up to limit and kills it with SIGKILL then. True when it was killed.
bool waitOrKill(pid_t pid, Clock::duration limit, int& status);

// The program's descendants left to this process (a child subreaper): reaps the dead ones (ended
// with the program, as they should be) for up to a few seconds, then kills and names the rest.
std::vector<std::string> survivingChildren();
