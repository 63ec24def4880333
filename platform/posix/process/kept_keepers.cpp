#include "platform/posix/process/kept_keepers.h"

#include "platform/posix/process/keeper_protocol.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>

// The keeper program's image, linked in by keeper_image.S.
extern "C" const unsigned char tarnwick_keeper_image_start[];
extern "C" const unsigned char tarnwick_keeper_image_end[];

namespace posix_process {
namespace {

namespace protocol = keeper_protocol;

// Idle keepers kept beyond this are let go: more tools than this rarely run at once.
constexpr std::size_t maxIdle = 8;

struct Keeper {
    enum class State { idle, busy, ended, dead };
    int socket = -1;
    int nice = 0; // the nice value it was started with, which its tools inherit
    State state = State::idle;
    int status = 0;
};

struct Pool {
    std::mutex mutex;
    std::unordered_map<pid_t, Keeper> keepers;
    int image = -1;      // the keeper program, in memory
    bool broken = false; // keepers cannot run here: every start goes the other way
    bool allowed = true;
};

Pool& pool()
{
    // Never destroyed: tools may still end while static destructors run.
    static Pool* instance = new Pool;
    return *instance;
}

// Called with the pool's lock held.
bool makeImage(Pool& keepers)
{
    const int fd = ::memfd_create("tool-keeper", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0)
        return false;
    const unsigned char* at = tarnwick_keeper_image_start;
    while (at < tarnwick_keeper_image_end) {
        const ssize_t written =
            ::write(fd, at, static_cast<std::size_t>(tarnwick_keeper_image_end - at));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            ::close(fd);
            return false;
        }
        at += written;
    }
    ::fcntl(fd, F_ADD_SEALS, F_SEAL_SEAL | F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE);
    keepers.image = fd;
    return true;
}

int threadNice()
{
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, 0);
    return errno == 0 ? nice : 0;
}

// The signals this process ignores: one read of its status rather than a call per signal.
std::uint64_t ignoredSignals()
{
    const int status = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (status >= 0) {
        char text[4096];
        const ssize_t got = ::read(status, text, sizeof text - 1);
        ::close(status);
        if (got > 0) {
            text[got] = '\0';
            if (const char* line = std::strstr(text, "\nSigIgn:"))
                return std::strtoull(line + 8, nullptr, 16);
        }
    }
    std::uint64_t ignored = 0;
    for (int signal = 1; signal <= 64; ++signal) {
        struct sigaction current;
        if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN)
            ignored |= std::uint64_t{1} << (signal - 1);
    }
    return ignored;
}

// Starts a keeper with this thread's nice value; its socket's other end is its descriptor 3.
bool startKeeper(int image, pid_t* pid, Keeper* keeper)
{
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0)
        return false;
    // dup2 onto itself would leave close-on-exec set.
    if (pair[1] == protocol::keeperSocket) {
        const int moved = ::fcntl(pair[1], F_DUPFD_CLOEXEC, protocol::keeperSocket + 1);
        ::close(pair[1]);
        pair[1] = moved;
        if (moved < 0) {
            ::close(pair[0]);
            return false;
        }
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pair[1], protocol::keeperSocket);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &all);
    posix_spawnattr_setsigdefault(&attributes, &all);
    // Its own group: a Ctrl-C meant for us does not reach it.
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                              POSIX_SPAWN_SETPGROUP);
    const std::string path = "/proc/self/fd/" + std::to_string(image);
    char name[] = "tool-keeper";
    char* argv[] = {name, nullptr};
    char* envp[] = {nullptr};
    const int spawned = ::posix_spawn(pid, path.c_str(), &actions, &attributes, argv, envp);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pair[1]);
    if (spawned != 0) {
        ::close(pair[0]);
        return false;
    }
    keeper->socket = pair[0];
    keeper->nice = threadNice();
    keeper->state = Keeper::State::busy;
    return true;
}

// Closes its socket, which ends it (and its tool, if one still runs), and reaps it.
void letGo(pid_t pid, int socket)
{
    ::close(socket);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

// An idle keeper of this thread's nice value, marked busy; or a new one. False when none
// could be started.
bool takeKeeper(Pool& keepers, pid_t* pid, int* socket)
{
    int image;
    {
        std::lock_guard lock(keepers.mutex);
        const int nice = threadNice();
        for (auto& [keeperPid, keeper] : keepers.keepers) {
            if (keeper.state == Keeper::State::idle && keeper.nice == nice) {
                keeper.state = Keeper::State::busy;
                *pid = keeperPid;
                *socket = keeper.socket;
                return true;
            }
        }
        if (keepers.image < 0 && !makeImage(keepers))
            return false;
        image = keepers.image;
    }
    Keeper keeper;
    if (!startKeeper(image, pid, &keeper))
        return false;
    *socket = keeper.socket;
    std::lock_guard lock(keepers.mutex);
    keepers.keepers[*pid] = keeper;
    return true;
}

void forget(Pool& keepers, pid_t pid)
{
    int socket;
    {
        std::lock_guard lock(keepers.mutex);
        auto found = keepers.keepers.find(pid);
        if (found == keepers.keepers.end())
            return;
        socket = found->second.socket;
        keepers.keepers.erase(found);
    }
    letGo(pid, socket);
}

void setState(Pool& keepers, pid_t pid, Keeper::State state)
{
    std::lock_guard lock(keepers.mutex);
    auto found = keepers.keepers.find(pid);
    if (found != keepers.keepers.end())
        found->second.state = state;
}

} // namespace

KeptStart startKept(const SpawnRequest& request, const NicePlan& nice, char* const* environment,
                    pid_t* keeperPid, int* error)
{
    Pool& keepers = pool();
    {
        std::lock_guard lock(keepers.mutex);
        if (!keepers.allowed || keepers.broken)
            return KeptStart::unavailable;
    }
    protocol::StartHeader header;
    header.niceWanted = nice.wanted;
    header.niceTarget = nice.target;
    header.niceHasFallback = nice.hasFallback;
    header.niceFallback = nice.fallback;
    header.hasFolder = !request.workingFolder.empty();
    header.hasInput = request.input >= 0;
    header.hasOutput = request.output >= 0;
    header.errorsToOutput = request.errorsToOutput;
    header.ignoredSignals = ignoredSignals();
    const std::vector<char> bytes = protocol::encodeStart(header, request.path, request.arguments,
                                                          environment, request.workingFolder);
    if (bytes.size() > protocol::maxRequestBytes)
        return KeptStart::unavailable;
    int fds[3];
    int count = 0;
    // A keeper's own folder is the one this process had when it started the keeper; the tool
    // gets the one it has now.
    const int folder = header.hasFolder ? -1 : ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (!header.hasFolder) {
        if (folder < 0)
            return KeptStart::unavailable;
        fds[count++] = folder;
    }
    if (header.hasInput)
        fds[count++] = request.input;
    if (header.hasOutput)
        fds[count++] = request.output;

    KeptStart result = KeptStart::unavailable;
    // A keeper may have died while idle: the next one is started afresh. Two in a row that do
    // not answer mean keepers cannot run here.
    for (int attempt = 0; attempt < 2 && result == KeptStart::unavailable; ++attempt) {
        pid_t pid = -1;
        int socket = -1;
        if (!takeKeeper(keepers, &pid, &socket))
            break;
        protocol::Reply reply;
        std::vector<char> answer;
        int replyFds[3];
        int replyFdCount = 0;
        const bool answered =
            protocol::sendMessage(socket, bytes.data(), bytes.size(), fds, count) &&
            protocol::receiveMessage(socket, answer, sizeof reply, replyFds, &replyFdCount,
                                     false) == static_cast<long>(sizeof reply);
        for (int i = 0; i < replyFdCount; ++i)
            ::close(replyFds[i]);
        if (!answered) {
            forget(keepers, pid);
            continue;
        }
        std::memcpy(&reply, answer.data(), sizeof reply);
        if (reply.kind == protocol::ReplyKind::started) {
            *keeperPid = pid;
            result = KeptStart::started;
        } else {
            setState(keepers, pid, Keeper::State::idle);
            *error = reply.value;
            result = KeptStart::failed;
        }
    }
    if (folder >= 0)
        ::close(folder);
    if (result == KeptStart::unavailable) {
        std::lock_guard lock(keepers.mutex);
        keepers.broken = true;
    }
    return result;
}

bool isKept(pid_t keeper)
{
    Pool& keepers = pool();
    std::lock_guard lock(keepers.mutex);
    return keepers.keepers.count(keeper) != 0;
}

ReapResult collectKept(pid_t pid, int* status)
{
    Pool& keepers = pool();
    std::lock_guard lock(keepers.mutex);
    auto found = keepers.keepers.find(pid);
    if (found == keepers.keepers.end())
        return ReapResult::lost;
    Keeper& keeper = found->second;
    if (keeper.state == Keeper::State::busy) {
        protocol::Reply reply;
        ssize_t got;
        // Left in the socket until the release, so that it stays readable for every waiter.
        do {
            got = ::recv(keeper.socket, &reply, sizeof reply, MSG_DONTWAIT | MSG_PEEK);
        } while (got < 0 && errno == EINTR);
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return ReapResult::running;
        if (got == static_cast<ssize_t>(sizeof reply) && reply.kind == protocol::ReplyKind::ended) {
            keeper.state = Keeper::State::ended;
            keeper.status = reply.value;
        } else {
            keeper.state = Keeper::State::dead;
        }
    }
    if (keeper.state == Keeper::State::ended) {
        *status = keeper.status;
        return ReapResult::reaped;
    }
    return keeper.state == Keeper::State::dead ? ReapResult::lost : ReapResult::running;
}

bool keptHasEnded(pid_t pid)
{
    Pool& keepers = pool();
    std::lock_guard lock(keepers.mutex);
    auto found = keepers.keepers.find(pid);
    if (found == keepers.keepers.end())
        return true;
    if (found->second.state != Keeper::State::busy)
        return true;
    pollfd end{found->second.socket, POLLIN, 0};
    return ::poll(&end, 1, 0) > 0;
}

void endKept(pid_t pid)
{
    Pool& keepers = pool();
    std::lock_guard lock(keepers.mutex);
    auto found = keepers.keepers.find(pid);
    if (found == keepers.keepers.end() || found->second.state != Keeper::State::busy)
        return;
    const char request = protocol::endRequest;
    // A keeper that no longer reads has ended its tool already.
    ssize_t ignored = ::send(found->second.socket, &request, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    (void)ignored;
}

int keptEndNotifier(pid_t pid)
{
    Pool& keepers = pool();
    std::lock_guard lock(keepers.mutex);
    auto found = keepers.keepers.find(pid);
    return found == keepers.keepers.end() ? -1 : found->second.socket;
}

void releaseKept(pid_t pid)
{
    Pool& keepers = pool();
    {
        std::lock_guard lock(keepers.mutex);
        auto found = keepers.keepers.find(pid);
        if (found == keepers.keepers.end())
            return;
        if (found->second.state == Keeper::State::ended) {
            protocol::Reply reply;
            ssize_t ignored = ::recv(found->second.socket, &reply, sizeof reply, MSG_DONTWAIT);
            (void)ignored;
            std::size_t idle = 0;
            for (const auto& [otherPid, other] : keepers.keepers)
                idle += other.state == Keeper::State::idle ? 1 : 0;
            if (idle < maxIdle) {
                found->second.state = Keeper::State::idle;
                return;
            }
        }
    }
    // Dead, one too many, or released before its end (its tool is ended with it).
    forget(keepers, pid);
}

void allowKeptKeepers(bool allowed)
{
    Pool& keepers = pool();
    std::lock_guard lock(keepers.mutex);
    keepers.allowed = allowed;
}

} // namespace posix_process
