// Thread states read from /proc: Linux only.
#include "support/waiting.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <fstream>
#include <string>

int currentThreadId()
{
    return static_cast<int>(::syscall(SYS_gettid));
}

namespace {

// The thread's state letter from /proc ('R' running, 'S' asleep, ...); 0 if unreadable.
char threadState(int threadId)
{
    std::ifstream stat("/proc/self/task/" + std::to_string(threadId) + "/stat");
    std::string line;
    std::getline(stat, line);
    // The name in parentheses may hold spaces; the state follows the last ')'.
    const std::size_t close = line.rfind(')');
    return close == std::string::npos || close + 2 >= line.size() ? 0 : line[close + 2];
}

} // namespace

bool waitUntilBlocked(int threadId, std::chrono::milliseconds limit)
{
    // Seen asleep twice in a row: a thread only passing through a short sleep (a page fault,
    // a lock held a moment) is rarely caught twice.
    int asleep = 0;
    return waitUntil(
        [&] {
            asleep = threadState(threadId) == 'S' ? asleep + 1 : 0;
            return asleep >= 2;
        },
        limit, std::chrono::milliseconds(1));
}
