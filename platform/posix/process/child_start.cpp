#include "platform/posix/process/child_start.h"

#include "platform/posix/process/keeper.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

namespace posix_process {
namespace {

// What the child reports when the program did not run; the parent sees the errno value
// through the pipe, this is only the child's own exit status.
constexpr int cannotRun = 127;

// Signals a tool must see with their default handling even when this program ignores them.
constexpr int defaultSignals[] = {SIGPIPE, SIGINT,  SIGQUIT, SIGTERM, SIGHUP,  SIGCHLD,
                                  SIGALRM, SIGUSR1, SIGUSR2, SIGTSTP, SIGTTIN, SIGTTOU};

// Everything below runs in a vfork child that shares the parent's memory while the parent's
// thread is suspended: only async-signal-safe calls, no allocation, no writes except to this
// stack and the error pipe, and the child ends in execve or _exit, never by returning.

[[noreturn]] void fail(const ChildPlan& plan, int error)
{
    ssize_t ignored = ::write(plan.errorPipe, &error, sizeof error);
    (void)ignored;
    ::_exit(cannotRun);
}

// A handler of the parent must never run in the child: until exec it would run on the
// parent's memory. All signals are blocked while this runs.
void resetSignalHandling()
{
    struct sigaction standard = {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    for (int signal = 1; signal < NSIG; ++signal) {
        if (signal == SIGKILL || signal == SIGSTOP)
            continue;
        if (!defaultInEveryTool(signal)) {
            struct sigaction current;
            // The C library's own signals are refused here; they are not ours to reset.
            if (::sigaction(signal, nullptr, &current) != 0)
                continue;
            if (current.sa_handler == SIG_IGN || current.sa_handler == SIG_DFL)
                continue;
        }
        ::sigaction(signal, &standard, nullptr);
    }
}

void openNull(const ChildPlan& plan, int target, int flags)
{
    int fd = ::open("/dev/null", flags);
    if (fd < 0)
        fail(plan, errno);
    if (fd != target) {
        if (::dup2(fd, target) < 0)
            fail(plan, errno);
        ::close(fd);
    }
}

[[noreturn]] void runChild(const ChildPlan& plan)
{
    if (!plan.signalsReady)
        resetSignalHandling();

    // Its own process group, so a Ctrl-C meant for us does not reach the tool and the tool can
    // be ended together with everything it starts.
    if (::setpgid(0, 0) != 0)
        fail(plan, errno);

    // The tool dies with its keeper; what it started itself is the keeper's to end. Check that
    // the keeper has not died already: then the signal will never come.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0)
        fail(plan, errno);
    if (::getppid() != plan.parent)
        ::_exit(cannotRun);

    // Hidden console: nothing to read, nowhere to write, unless the caller talks to the child.
    if (plan.input >= 0) {
        if (::dup2(plan.input, STDIN_FILENO) < 0)
            fail(plan, errno);
    } else {
        openNull(plan, STDIN_FILENO, O_RDONLY);
    }
    if (plan.output >= 0) {
        if (::dup2(plan.output, STDOUT_FILENO) < 0)
            fail(plan, errno);
        if (!plan.errorsToOutput)
            openNull(plan, STDERR_FILENO, O_WRONLY);
        else if (::dup2(plan.output, STDERR_FILENO) < 0)
            fail(plan, errno);
    } else {
        openNull(plan, STDOUT_FILENO, O_WRONLY);
        if (::dup2(STDOUT_FILENO, STDERR_FILENO) < 0)
            fail(plan, errno);
    }

    if (plan.workingFolder && ::chdir(plan.workingFolder) != 0)
        fail(plan, errno);
    if (!plan.workingFolder && plan.workingFolderFd >= 0 && ::fchdir(plan.workingFolderFd) != 0)
        fail(plan, errno);

    if (plan.nice.wanted && ::setpriority(PRIO_PROCESS, 0, plan.nice.target) != 0 &&
        plan.nice.hasFallback) {
        ::setpriority(PRIO_PROCESS, 0, plan.nice.fallback);
    }

    sigset_t empty;
    sigemptyset(&empty);
    ::sigprocmask(SIG_SETMASK, &empty, nullptr);

    ::execve(plan.path, plan.argv, plan.envp);
    fail(plan, errno);
}

// A tool must not outlive us, nor anything it starts, even when we are killed outright: a
// keeper stands between, dies with the thread that started it (the layer's callers wait for a
// tool on the thread that started it, so that thread outlives the tool) and ends them all
// first. A full fork: the keeper runs code of ours, not a program.
pid_t forkKeeper(const ChildPlan& plan)
{
    pid_t pid = ::fork();
    if (pid == 0)
        runKeeper(plan, forkTool);
    return pid;
}

} // namespace

bool defaultInEveryTool(int signal)
{
    for (int s : defaultSignals) {
        if (s == signal)
            return true;
    }
    return false;
}

// Kept apart from its caller so that nothing of the caller's frame lives across vfork.
pid_t forkTool(const ChildPlan& plan)
{
    pid_t pid = ::vfork();
    if (pid == 0)
        runChild(plan);
    return pid;
}

pid_t startChild(const ChildPlan& plan, int* error)
{
    // No handler of ours may run in the child before it has reset them all.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &previous);
    pid_t pid = forkKeeper(plan);
    *error = pid < 0 ? errno : 0;
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return pid;
}

} // namespace posix_process
