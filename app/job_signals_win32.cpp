#include "app/job_signals.h"

#include <atomic>
#include <csignal>

#include <windows.h>

namespace {

bool (*interruptHandler)() = nullptr;
void (*endHandler)(int) = nullptr;
std::atomic<bool> interruptsHeard{true};
std::atomic<bool> endHeard{true};

// Runs on a thread of its own that the system starts for each event.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        if (!interruptsHeard)
            return FALSE; // the system's reaction: the program ends
        interruptsHeard = interruptHandler();
        return TRUE;
    default:
        // The console is closing, or the user logs off: the system ends the program once this
        // returns, so the job gets the word first. The tools go with their job objects.
        if (endHeard.exchange(false))
            endHandler(SIGTERM);
        return FALSE;
    }
}

} // namespace

void installJobSignals(bool (*onInterrupt)(), void (*onEnd)(int signal))
{
    interruptHandler = onInterrupt;
    endHandler = onEnd;
    interruptsHeard = true;
    endHeard = true;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

void removeJobSignals()
{
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
}
