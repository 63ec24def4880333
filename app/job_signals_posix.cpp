#include "app/job_signals.h"

#include <csignal>
#include <initializer_list>

namespace {

bool (*interruptHandler)() = nullptr;
void (*endHandler)(int) = nullptr;

extern "C" void onInterruptSignal(int)
{
    if (!interruptHandler())
        std::signal(SIGINT, SIG_DFL);
}

extern "C" void onEndSignal(int signal)
{
    endHandler(signal);
    std::signal(signal, SIG_DFL);
}

} // namespace

void installJobSignals(bool (*onInterrupt)(), void (*onEnd)(int signal))
{
    interruptHandler = onInterrupt;
    endHandler = onEnd;
    std::signal(SIGINT, onInterruptSignal);
    std::signal(SIGTERM, onEndSignal);
    std::signal(SIGHUP, onEndSignal);
}

void removeJobSignals()
{
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal, SIG_DFL);
}
