// The command-line side of the program: --help, --version, --tools and the headless job on a
// path, its log as text or its results as JSON lines.
#pragma once

#include "app/arguments.h"

// Runs the program for a command line that asks for no window and returns the exit status (see
// usageText): 0 when every file was processed (or after --help/--version/--tools), 1 when a
// file failed or the backup did, 2 for a missing or unsupported path or a wrong command line,
// 130 when Ctrl-C stopped the job. A relative path is taken from the current folder; then the
// job runs on this thread with the program's folder as the current folder and the options of
// the settings file. Its log goes to standard output (standard error with --json, whose lines go
// to standard output), the status line (file counter and total saved) to standard error:
// updated in place on a terminal, else the total once at the end. A command line that asks for
// the window is a usage error here: this is what builds without a display run.
int headlessMain(const CommandLine& command);
