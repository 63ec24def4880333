// The moment of starting a child: fork, the child's own set-up, and exec.
#pragma once

#include <sys/types.h>

namespace posix_process {

// The nice value the child sets for itself, and a second try when the first is not allowed.
struct NicePlan {
    bool wanted = false;
    int target = 0;
    bool hasFallback = false;
    int fallback = 0;
};

// Everything the child needs, prepared by the parent: the child allocates nothing.
struct ChildPlan {
    const char* path = nullptr;
    char* const* argv = nullptr;
    char* const* envp = nullptr;
    const char* workingFolder = nullptr; // null: the parent's current folder
    int workingFolderFd =
        -1; // without workingFolder: the folder to work in, open; -1: the parent's
    NicePlan nice;
    pid_t parent = -1;  // the child's parent, to notice one that died before the child was armed
    int errorPipe = -1; // close-on-exec, above 2: gets the errno value when the child cannot run
    int input = -1;     // above 2: the child's standard input; -1: /dev/null
    int output = -1;    // above 2: the child's standard output (its errors go to /dev/null)
    bool errorsToOutput = false; // with output: the child's errors go there too
    // No handler is installed and the usual signals are at their default (a keeper program's
    // state): the child has no signal to reset.
    bool signalsReady = false;
};

// True for the signals every tool starts with at their default, whatever this program does with
// them; the rest keep being ignored where this program ignores them.
bool defaultInEveryTool(int signal);

// Starts the program under a keeper (keeper.h) and returns the keeper's pid, which stands for
// the program: it ends as the program ends, once everything the program started has been
// ended too, and SIGTERM to it ends them all. -1 with the errno value in *error when no child
// could be made; a program that could not run reports that through plan.errorPipe. The keeper
// leads a process group of its own, the program another; the program has /dev/null as its
// standard streams (or the plan's input and output), default handling for the usual signals and
// an empty signal mask. Both die when the thread that started them ends (so with this whole
// process, however it ends). The way a kept keeper cannot take (kept_keepers.h).
pid_t startChild(const ChildPlan& plan, int* error);

// Starts the program itself as a child of this process, in its own process group, dying with
// the thread that started it (a keeper's half of startChild); the pid, or -1 with errno set.
// Call it with every signal blocked.
pid_t forkTool(const ChildPlan& plan);

} // namespace posix_process
