#include "platform/posix/process/keeper.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

// Everything here runs in a fork of a program with several threads: only async-signal-safe
// calls, no allocation (another thread may have held the allocator's lock at the fork).

namespace posix_process {
namespace {

constexpr int cannotRun = 127;

[[noreturn]] void fail(int errorPipe, int error)
{
    ssize_t ignored = ::write(errorPipe, &error, sizeof error);
    (void)ignored;
    ::_exit(cannotRun);
}

// The parent's pid in /proc/PID/stat's text: the field after the name in parentheses and the
// state.
pid_t parentInStat(const char* text, ssize_t size)
{
    ssize_t at = size - 1;
    while (at >= 0 && text[at] != ')')
        --at;
    at += 4; // ") S "
    pid_t parent = 0;
    for (; at < size && text[at] >= '0' && text[at] <= '9'; ++at)
        parent = parent * 10 + (text[at] - '0');
    return parent;
}

// Kills every living child of this process (the tool, and what it left that was adopted),
// each with its process group where it leads one. Returns how many it found.
int killChildren()
{
    const pid_t self = ::getpid();
    const int proc = ::open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (proc < 0)
        return 0;
    int found = 0;
    alignas(8) char entries[4096];
    for (;;) {
        const long got = ::syscall(SYS_getdents64, proc, entries, sizeof entries);
        if (got <= 0)
            break;
        for (long at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(entries + at);
            at += entry->d_reclen;
            pid_t pid = 0;
            const char* name = entry->d_name;
            for (; *name >= '0' && *name <= '9'; ++name)
                pid = pid * 10 + (*name - '0');
            if (*name != '\0' || pid <= 0)
                continue;
            char path[32] = "stat";
            // "PID/stat", relative to /proc.
            char digits[16];
            int count = 0;
            for (pid_t rest = pid; rest > 0; rest /= 10)
                digits[count++] = static_cast<char>('0' + rest % 10);
            int length = 0;
            while (count > 0)
                path[length++] = digits[--count];
            const char tail[] = "/stat";
            for (const char c : tail)
                path[length++] = c;
            const int stat = ::openat(proc, path, O_RDONLY | O_CLOEXEC);
            if (stat < 0)
                continue;
            char text[512];
            const ssize_t size = ::read(stat, text, sizeof text);
            ::close(stat);
            if (size <= 0 || parentInStat(text, size) != self)
                continue;
            ++found;
            // Our child: its pid and its group's id stay ours until we reap it.
            ::kill(-pid, SIGKILL);
            ::kill(pid, SIGKILL);
        }
    }
    ::close(proc);
    return found;
}

// Ends this process the way the tool ended: its exit code, or the signal that ended it.
[[noreturn]] void endLike(int status)
{
    if (WIFEXITED(status))
        ::_exit(WEXITSTATUS(status));
    const int signal = WIFSIGNALED(status) ? WTERMSIG(status) : SIGKILL;
    struct sigaction standard = {};
    standard.sa_handler = SIG_DFL;
    ::sigaction(signal, &standard, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
    ::kill(::getpid(), signal);
    ::_exit(128 + signal);
}

} // namespace

// A keeper forked from this program never runs exec, so nothing of this program's (pipes to
// other tools above all) may stay open in it.
void closeAllBut(const int (&keep)[3])
{
    rlimit limit{};
    int highest = 1024;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        highest = static_cast<int>(limit.rlim_cur);
    int from = 3;
    for (;;) {
        int next = highest;
        for (int fd : keep)
            if (fd >= from && fd < next)
                next = fd;
        if (next > from && ::syscall(SYS_close_range, from, next - 1, 0) != 0)
            for (int fd = from; fd < next; ++fd)
                ::close(fd);
        if (next >= highest)
            return;
        from = next + 1;
    }
}

void nullStreams()
{
    const int fd = ::open("/dev/null", O_RDWR);
    if (fd < 0)
        return;
    for (int target = 0; target <= 2; ++target)
        if (fd != target)
            ::dup2(fd, target);
    if (fd > 2)
        ::close(fd);
}

// A process whose parent is killed comes to us (we are its subreaper), so each round reaches one
// generation further.
void endEverything(pid_t tool, bool& toolEnded, int& toolStatus)
{
    // Most tools leave nothing behind: with no child left there is nothing to look for in /proc.
    int ignored = 0;
    if (toolEnded && ::waitpid(-1, &ignored, WNOHANG) < 0 && errno == ECHILD)
        return;
    for (;;) {
        ::kill(-tool, SIGKILL);
        killChildren();
        int status = 0;
        const pid_t reaped = ::waitpid(-1, &status, 0);
        if (reaped == tool) {
            toolEnded = true;
            toolStatus = status;
        }
        if (reaped < 0 && errno == ECHILD)
            return;
    }
}

void runKeeper(const ChildPlan& plan, pid_t (*startTool)(const ChildPlan&))
{
    // Its own group, which the tool leaves for one of its own: a Ctrl-C meant for us reaches
    // neither.
    if (::setpgid(0, 0) != 0)
        fail(plan.errorPipe, errno);
    // SIGTERM, not SIGKILL: the keeper must live to end the tool's processes.
    if (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0)
        fail(plan.errorPipe, errno);
    if (::getppid() != plan.parent)
        ::_exit(cannotRun);
    if (::prctl(PR_SET_CHILD_SUBREAPER, 1) != 0)
        fail(plan.errorPipe, errno);
    // Its pid stands for the tool's (exit code, termination), so it goes by the tool's name.
    const char* name = plan.path;
    for (const char* at = plan.path; *at; ++at)
        if (*at == '/')
            name = at + 1;
    ::prctl(PR_SET_NAME, name);
    closeAllBut({plan.errorPipe, plan.input, plan.output});
    nullStreams();

    ChildPlan toolPlan = plan;
    toolPlan.parent = ::getpid();
    const pid_t tool = startTool(toolPlan);
    if (tool < 0)
        fail(plan.errorPipe, errno);
    // The tool has its own copies now; ours would keep its pipes from ever seeing their end.
    ::close(plan.errorPipe);
    if (plan.input >= 0)
        ::close(plan.input);
    if (plan.output >= 0)
        ::close(plan.output);

    // Every signal stays blocked: the ones that matter are taken here, in order.
    sigset_t wanted;
    sigemptyset(&wanted);
    sigaddset(&wanted, SIGCHLD);
    sigaddset(&wanted, SIGTERM);
    sigaddset(&wanted, SIGHUP);
    sigaddset(&wanted, SIGINT);
    bool toolEnded = false;
    bool told = false;
    int toolStatus = 0;
    while (!toolEnded && !told) {
        int status = 0;
        pid_t reaped;
        while ((reaped = ::waitpid(-1, &status, WNOHANG)) > 0) {
            if (reaped == tool) {
                toolEnded = true;
                toolStatus = status;
            }
        }
        if (toolEnded)
            break;
        siginfo_t info{};
        if (::sigwaitinfo(&wanted, &info) > 0 && info.si_signo != SIGCHLD)
            told = true;
    }
    endEverything(tool, toolEnded, toolStatus);
    // Told to end it: ended as TerminateProcess would have ended the tool itself.
    constexpr int killedStatus = SIGKILL;
    endLike(told ? killedStatus : toolStatus);
}

} // namespace posix_process
