#include "platform/posix/process/spawn.h"

#include "platform/posix/process/child_start.h"
#include "platform/posix/process/kept_keepers.h"
#include "platform/posix/process/live_children.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

extern char** environ;

namespace posix_process {
namespace {

// How far high priority lowers the nice value (about the distance between the normal and the
// high priority class).
constexpr int highPriorityBoost = 5;

// Linux keeps the nice value per thread and a child inherits the starting thread's, so the
// boost counts from this thread's value. The child applies it itself, before it runs the
// program, and this thread keeps its own value throughout.
NicePlan planNice(bool wanted)
{
    NicePlan plan;
    if (!wanted)
        return plan;
    errno = 0;
    int current = ::getpriority(PRIO_PROCESS, 0);
    if (current == -1 && errno != 0)
        return plan;
    plan.target = std::max(-20, current - highPriorityBoost);
    plan.wanted = true;
    // Unprivileged: as low as RLIMIT_NICE allows, if that is lower at all.
    rlimit limit;
    if (::getrlimit(RLIMIT_NICE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return plan;
    int floor = 20 - static_cast<int>(limit.rlim_cur);
    if (floor < current) {
        plan.fallback = std::max(floor, plan.target);
        plan.hasFallback = true;
    }
    return plan;
}

std::vector<char*> pointers(const std::vector<std::string>& strings)
{
    std::vector<char*> result;
    result.reserve(strings.size() + 1);
    for (const std::string& s : strings)
        result.push_back(const_cast<char*>(s.c_str()));
    result.push_back(nullptr);
    return result;
}

// The child's standard streams are 0 to 2: the error pipe must not sit there.
bool moveAboveStandardStreams(int* fd)
{
    if (*fd > 2)
        return true;
    int moved = ::fcntl(*fd, F_DUPFD_CLOEXEC, 3);
    ::close(*fd);
    *fd = moved;
    return moved >= 0;
}

void closeBoth(int fds[2])
{
    for (int i = 0; i < 2; ++i) {
        if (fds[i] >= 0)
            ::close(fds[i]);
    }
}

} // namespace

pid_t spawnProgram(const SpawnRequest& request, int* error)
{
    std::vector<char*> argv = pointers(request.arguments);
    std::vector<char*> envp;
    char** environment = environ;
    if (request.environment) {
        envp = pointers(*request.environment);
        environment = envp.data();
    }
    const NicePlan nice = planNice(request.highPriority);

    {
        ChildRegistration registration;
        pid_t keeper = -1;
        switch (startKept(request, nice, environment, &keeper, error)) {
        case KeptStart::started:
            registration.add(keeper);
            *error = 0;
            return keeper;
        case KeptStart::failed:
            return -1;
        case KeptStart::unavailable:
            break;
        }
    }

    // The child reports a failure before exec through this pipe; a successful exec closes it.
    int errorPipe[2] = {-1, -1};
    if (::pipe2(errorPipe, O_CLOEXEC) != 0) {
        *error = errno;
        return -1;
    }
    if (!moveAboveStandardStreams(&errorPipe[0]) || !moveAboveStandardStreams(&errorPipe[1])) {
        *error = errno;
        closeBoth(errorPipe);
        return -1;
    }

    ChildPlan plan;
    plan.path = request.path.c_str();
    plan.argv = argv.data();
    plan.envp = environment;
    plan.workingFolder = request.workingFolder.empty() ? nullptr : request.workingFolder.c_str();
    plan.nice = nice;
    plan.parent = ::getpid();
    plan.errorPipe = errorPipe[1];
    plan.input = request.input;
    plan.output = request.output;
    plan.errorsToOutput = request.errorsToOutput;

    ChildRegistration registration;
    int startError = 0;
    pid_t pid = startChild(plan, &startError);
    ::close(errorPipe[1]);
    if (pid < 0) {
        ::close(errorPipe[0]);
        *error = startError;
        return -1;
    }

    int childError = 0;
    ssize_t got;
    do {
        got = ::read(errorPipe[0], &childError, sizeof childError);
    } while (got < 0 && errno == EINTR);
    ::close(errorPipe[0]);
    if (got == static_cast<ssize_t>(sizeof childError)) {
        // It never ran the program: collect it here, it was never anybody else's to wait for.
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        *error = childError;
        return -1;
    }
    registration.add(pid);
    *error = 0;
    return pid;
}

int exitCodeFromStatus(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

} // namespace posix_process
