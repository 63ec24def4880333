// How a headless job hears Ctrl-C and being told to end, one file a platform (job_signals_posix.cpp
// with signals, job_signals_win32.cpp with console control events).
#pragma once

// While installed: each Ctrl-C calls onInterrupt, until it returns false, after which the next
// Ctrl-C ends the program as it would have without us. Being told to end (SIGTERM and SIGHUP on
// Linux; the console closing, logoff or shutdown on Windows) calls onEnd with the signal's number
// (SIGTERM's for the Windows events) once; the next one ends the program. Both run where a signal
// handler runs: they may only set flags.
void installJobSignals(bool (*onInterrupt)(), void (*onEnd)(int signal));

// Back to the system's own reactions.
void removeJobSignals();
