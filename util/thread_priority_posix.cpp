#include "util/thread_priority.h"

#include <cerrno>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

// The highest priority Win32 offers a thread without real-time rights is two steps above
// normal; on Linux the nearest thing is a lower nice value for this thread alone, which needs
// CAP_SYS_NICE or a raised RLIMIT_NICE. Without them the thread simply keeps its priority.
void raiseOwnPriority()
{
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, tid);
    if (errno != 0)
        return;
    ::setpriority(PRIO_PROCESS, tid, nice - 2);
}
