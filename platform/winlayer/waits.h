// Waits the window layer adds to Win32: sleeping until the calling thread has input, and waiting
// for something while still serving the messages other threads send to this one.
#pragma once

#include "platform/win32.h"

#include <functional>

namespace winlayer {

// A descriptor (an eventfd) that becomes readable whenever a message is posted or sent to the
// calling thread's queue; a display's main loop can watch it. Owned by the layer. Linux only: on
// Windows the system's own waits see the queue.
int queueWakeDescriptor();

// Sleeps until the calling thread has input (sent or posted messages, a quit) or the time-out
// passes; true if there is input. Same as MsgWaitForMultipleObjects(0, nullptr, FALSE, ms,
// QS_ALLINPUT) == WAIT_OBJECT_0.
bool waitForInput(DWORD milliseconds);

// Calls waitStep(slice) with short slices until it returns true or the time-out passes, serving
// the calling thread's incoming sent messages in between, so a thread can wait for something
// (a worker thread, say) that itself sends messages to this thread's windows. True if waitStep
// succeeded.
bool waitServingSentMessages(const std::function<bool(DWORD milliseconds)>& waitStep,
                             DWORD timeoutMilliseconds = INFINITE);

} // namespace winlayer
