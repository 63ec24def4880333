// The children the layer started and has not reaped yet, so that they can be ended together.
//
// Lock rule: one mutex guards the set. A child's process group is signalled, and the child is
// reaped, only with that mutex held, and the child leaves the set in the same critical section
// that reaps it. Until then its pid (and so its group id) cannot be handed to another process,
// so a signal meant for a tool never reaches a stranger. Callers may hold their own locks
// when they call in here; nothing in here calls out while holding the mutex.
#pragma once

#include <sys/types.h>

#include <mutex>

namespace posix_process {

// Holds the set's mutex while a child is being started, so that no terminateAllTools falls
// between the start and the registration.
class ChildRegistration {
public:
    ChildRegistration();
    ~ChildRegistration();
    ChildRegistration(const ChildRegistration&) = delete;
    ChildRegistration& operator=(const ChildRegistration&) = delete;

    // The child must already lead its own process group.
    void add(pid_t pid);

private:
    std::unique_lock<std::mutex> lock;
};

enum class ReapResult {
    running, // still running (or stopped)
    reaped,  // ended; the wait status is stored
    lost,    // not our child any more (reaped behind our back): its status is unknown
};

// Reaps the child if it has ended, without waiting.
ReapResult reapIfEnded(pid_t pid, int* status);

// A descriptor that polls readable once the child's end can be taken, the set's own and valid
// until releaseChild; -1 when the caller should open a pid descriptor of its own.
int childEndNotifier(pid_t pid);
// Waits without limit until the child's end can be taken (reaps nothing).
void waitUntilEnded(pid_t pid);
// Once reapIfEnded has said the child ended: nobody refers to its pid any more.
void releaseChild(pid_t pid);

enum class KillResult {
    killed,      // the child was running and was told to end
    alreadyDone, // the child had ended already
    notLive,     // not in the set: reaped already, or never started by the layer
};

// Tells the child, a keeper (keeper.h, kept_keepers.h), to end its program with everything that
// program started.
KillResult killChildGroup(pid_t pid);

// Tells every child in the set to end the same way. Reaping stays with their waiters.
void killAllChildGroups();

} // namespace posix_process
