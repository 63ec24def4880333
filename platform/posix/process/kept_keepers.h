// Keepers kept for one tool after another (keeper_program.cpp). A keeper forked from this
// program costs a copy of its page tables and a fault on every page either side writes next,
// which on a large process costs more than a quick tool's whole run; a kept keeper is a small
// program of its own, started once and reused. Its pid stands for its tool from the start until
// the caller releases it, as a forked keeper's does, so it keys the live children's set.
//
// Unlike a forked keeper, a kept one does not end with the thread that started it, only with
// this process. Every function here is safe from any thread; the pool's lock is taken after the
// live children's lock, never before it.
#pragma once

#include "platform/posix/process/child_start.h"
#include "platform/posix/process/live_children.h"
#include "platform/posix/process/spawn.h"

namespace posix_process {

enum class KeptStart {
    started,     // *keeper stands for the program until releaseKept
    failed,      // the program could not run: *error holds the errno value of why
    unavailable, // no keeper can take it (none can run here, or the request is too large)
};
KeptStart startKept(const SpawnRequest& request, const NicePlan& nice, char* const* environment,
                    pid_t* keeper, int* error);

bool isKept(pid_t keeper);
// Takes the tool's end if it has come, without waiting: running, reaped (*status holds its
// wait status) or lost (the keeper itself died).
ReapResult collectKept(pid_t keeper, int* status);
// True once the tool's end has come, taken or not.
bool keptHasEnded(pid_t keeper);
// Tells the keeper to end its tool and everything the tool started.
void endKept(pid_t keeper);
// Polls readable once the tool's end can be taken; the pool's own descriptor, valid until the
// release.
int keptEndNotifier(pid_t keeper);
// Once its end was taken: the keeper may take another tool.
void releaseKept(pid_t keeper);

// False sends every start the other way (a forked keeper); for tests of that way.
void allowKeptKeepers(bool allowed);

} // namespace posix_process
