// The command-line side of the program: --help, --version and the headless job on a path.
#pragma once

#include <string>
#include <vector>

// Runs the program for the arguments after its name and returns the exit status: 0 after a
// job (or --help/--version), 2 when the path does not exist or names no supported kind of file.
// The job runs on this thread with the program's folder as the current folder and the options
// of the settings file; its log goes to standard output, the status line (file counter and total
// saved) to standard error: updated in place on a terminal, else the total once at the end.
int headlessMain(const std::vector<std::string>& arguments);

// The text --help prints.
const char* usageText();
