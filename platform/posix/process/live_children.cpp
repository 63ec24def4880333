#include "platform/posix/process/live_children.h"

#include "platform/posix/process/kept_keepers.h"

#include "platform/process_additions.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>

#include <cerrno>
#include <unordered_set>

namespace posix_process {
namespace {

struct LiveChildren {
    std::mutex mutex;
    std::unordered_set<pid_t> pids;
};

LiveChildren& liveChildren()
{
    // Never destroyed: a child may still be reaped while static destructors run.
    static LiveChildren* instance = new LiveChildren;
    return *instance;
}

// Called with the mutex held. True when the child has ended and waits to be reaped.
bool hasEnded(pid_t pid)
{
    siginfo_t info{};
    int result;
    do {
        result = ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
    } while (result < 0 && errno == EINTR);
    return result == 0 && info.si_pid == pid;
}

} // namespace

ChildRegistration::ChildRegistration() : lock(liveChildren().mutex) {}

ChildRegistration::~ChildRegistration() = default;

void ChildRegistration::add(pid_t pid)
{
    liveChildren().pids.insert(pid);
}

ReapResult reapIfEnded(pid_t pid, int* status)
{
    LiveChildren& children = liveChildren();
    std::lock_guard lock(children.mutex);
    if (isKept(pid)) {
        const ReapResult kept = collectKept(pid, status);
        if (kept != ReapResult::running)
            children.pids.erase(pid);
        return kept;
    }
    pid_t result;
    do {
        result = ::waitpid(pid, status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == 0)
        return ReapResult::running;
    children.pids.erase(pid);
    return result == pid ? ReapResult::reaped : ReapResult::lost;
}

KillResult killChildGroup(pid_t pid)
{
    LiveChildren& children = liveChildren();
    std::lock_guard lock(children.mutex);
    if (children.pids.count(pid) == 0)
        return KillResult::notLive;
    if (isKept(pid)) {
        const bool ended = keptHasEnded(pid);
        endKept(pid);
        return ended ? KillResult::alreadyDone : KillResult::killed;
    }
    bool ended = hasEnded(pid);
    // The child is a keeper: it kills its program's group and all the rest it started.
    ::kill(pid, SIGTERM);
    return ended ? KillResult::alreadyDone : KillResult::killed;
}

void killAllChildGroups()
{
    LiveChildren& children = liveChildren();
    std::lock_guard lock(children.mutex);
    for (pid_t pid : children.pids) {
        if (isKept(pid))
            endKept(pid);
        else
            ::kill(pid, SIGTERM);
    }
}

int childEndNotifier(pid_t pid)
{
    return keptEndNotifier(pid);
}

void waitUntilEnded(pid_t pid)
{
    const int notifier = keptEndNotifier(pid);
    if (notifier >= 0) {
        pollfd end{notifier, POLLIN, 0};
        while (::poll(&end, 1, -1) < 0 && errno == EINTR) {
        }
        return;
    }
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) < 0 &&
           errno == EINTR) {
    }
}

void releaseChild(pid_t pid)
{
    releaseKept(pid);
}

} // namespace posix_process

void terminateAllTools()
{
    posix_process::killAllChildGroups();
}
