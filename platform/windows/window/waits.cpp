// Waits on Windows: the system's own message waits. Sent messages are served by any PeekMessage
// call, so a waiting thread peeks for them between slices of its wait.
#include "platform/winlayer/waits.h"

#include <algorithm>
#include <chrono>

namespace winlayer {
namespace {

// Short enough that a thread sending to this one is hardly held up while we wait.
constexpr DWORD waitSliceMilliseconds = 2;

using Clock = std::chrono::steady_clock;

DWORD remaining(DWORD timeoutMilliseconds, Clock::time_point start)
{
    if (timeoutMilliseconds == INFINITE)
        return INFINITE;
    const auto spent =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    return spent >= timeoutMilliseconds ? 0 : timeoutMilliseconds - static_cast<DWORD>(spent);
}

void serveSentMessages()
{
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

} // namespace

bool waitForInput(DWORD milliseconds)
{
    // MWMO_INPUTAVAILABLE: input already in the queue counts too, not only what arrives later.
    return MsgWaitForMultipleObjectsEx(0, nullptr, milliseconds, QS_ALLINPUT,
                                       MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0;
}

bool waitServingSentMessages(const std::function<bool(DWORD milliseconds)>& waitStep,
                             DWORD timeoutMilliseconds)
{
    const Clock::time_point start = Clock::now();
    for (;;) {
        serveSentMessages();
        const DWORD left = remaining(timeoutMilliseconds, start);
        if (waitStep(std::min<DWORD>(left, waitSliceMilliseconds)))
            return true;
        if (left == 0)
            return false;
    }
}

} // namespace winlayer
