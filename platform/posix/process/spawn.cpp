#include "platform/posix/process/spawn.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
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

// Linux keeps the nice value per thread, and a spawned child inherits the spawning thread's:
// lowering it on this thread around the spawn gives the child its priority from its first
// instruction, and touches no other thread.
class ThreadNiceBoost {
public:
    explicit ThreadNiceBoost(bool wanted)
    {
        if (!wanted)
            return;
        thread = static_cast<id_t>(::syscall(SYS_gettid));
        errno = 0;
        int current = ::getpriority(PRIO_PROCESS, thread);
        if (current == -1 && errno != 0)
            return;
        original = current;
        int target = std::max(-20, current - highPriorityBoost);
        if (::setpriority(PRIO_PROCESS, thread, target) == 0) {
            changed = true;
            return;
        }
        // Unprivileged: go as low as RLIMIT_NICE allows, if that is lower at all.
        rlimit limit;
        if (::getrlimit(RLIMIT_NICE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
            return;
        int floor = 20 - static_cast<int>(limit.rlim_cur);
        if (floor < current && ::setpriority(PRIO_PROCESS, thread, std::max(floor, target)) == 0)
            changed = true;
    }
    ~ThreadNiceBoost()
    {
        if (changed)
            ::setpriority(PRIO_PROCESS, thread, original);
    }
    ThreadNiceBoost(const ThreadNiceBoost&) = delete;
    ThreadNiceBoost& operator=(const ThreadNiceBoost&) = delete;

private:
    id_t thread = 0;
    int original = 0;
    bool changed = false;
};

std::vector<char*> pointers(const std::vector<std::string>& strings)
{
    std::vector<char*> result;
    result.reserve(strings.size() + 1);
    for (const std::string& s : strings)
        result.push_back(const_cast<char*>(s.c_str()));
    result.push_back(nullptr);
    return result;
}

} // namespace

pid_t spawnProgram(const SpawnRequest& request, int* error)
{
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);

    // Hidden console: nothing to read, nowhere to write.
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (!request.workingFolder.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, request.workingFolder.c_str());
    }

    // Its own process group, so a Ctrl-C meant for us does not reach the tool; default signal
    // handling and an empty mask whatever this process ignores or blocks.
    sigset_t empty;
    sigemptyset(&empty);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD, SIGALRM, SIGUSR1,
                       SIGUSR2, SIGTSTP, SIGTTIN, SIGTTOU}) {
        sigaddset(&defaults, signal);
    }
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setsigmask(&attributes, &empty);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                              POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> argv = pointers(request.arguments);
    std::vector<char*> envp;
    char** environment = environ;
    if (request.environment) {
        envp = pointers(*request.environment);
        environment = envp.data();
    }

    pid_t pid = -1;
    int result;
    {
        ThreadNiceBoost boost(request.highPriority);
        result = ::posix_spawn(&pid, request.path.c_str(), &actions, &attributes, argv.data(),
                               environment);
    }
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        *error = result;
        return -1;
    }
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

int waitForChild(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return exitCodeFromStatus(status);
}

} // namespace posix_process
