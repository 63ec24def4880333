// The keeper of tools as a program of its own, kept for one tool after another (kept_keepers.h):
// this program runs it from memory, so a tool costs no fork of this program's own, large memory.
// For each start request on its socket it starts the tool (forkTool: the tool's own process group,
// dying with the keeper), says whether it ran and, once the tool has ended or it is told to end
// it, ends everything the tool started (as a child subreaper it adopts what the tool leaves) and
// sends the tool's end. When this program ends, however it ends, its end of the socket closes,
// and the keeper ends everything and itself.
#include "platform/posix/process/child_start.h"
#include "platform/posix/process/keeper.h"
#include "platform/posix/process/keeper_protocol.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

using namespace posix_process;
using namespace posix_process::keeper_protocol;

namespace {

constexpr char idleName[] = "tool-keeper";

// What ends a keeper besides the socket's end: the signals someone sends to end it.
constexpr int endSignals[] = {SIGTERM, SIGHUP, SIGINT};

bool sendReply(ReplyKind kind, int value)
{
    const Reply reply{kind, value};
    return sendMessage(keeperSocket, &reply, sizeof reply, nullptr, 0);
}

// The tool ignores what the program that asked for it ignores, as it would had the program
// started it itself. The usual signals stay at their default, as every tool gets them, so the
// tool's set-up has no signal to reset; a change is made only where the program's differs from
// the last tool's.
void ignoreLikeTheProgram(std::uint64_t ignored)
{
    static std::uint64_t applied = 0;
    for (int signal = 1; signal <= 64; ++signal) {
        const std::uint64_t bit = std::uint64_t{1} << (signal - 1);
        if (signal == SIGKILL || signal == SIGSTOP || defaultInEveryTool(signal) ||
            (ignored & bit) == (applied & bit))
            continue;
        struct sigaction action = {};
        action.sa_handler = ignored & bit ? SIG_IGN : SIG_DFL;
        if (::sigaction(signal, &action, nullptr) == 0)
            applied ^= bit;
    }
}

void closeAll(const int* fds, int count)
{
    for (int i = 0; i < count; ++i)
        ::close(fds[i]);
}

// Drains the signal descriptor; true when a signal other than SIGCHLD came (an end signal).
bool endSignalCame(int signals)
{
    bool ended = false;
    signalfd_siginfo info;
    while (::read(signals, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
        ended = ended || info.ssi_signo != SIGCHLD;
    return ended;
}

// Waits until the tool ends (true), or until this keeper is told to end it or to end itself
// (false; *quit for the latter).
bool waitForTool(pid_t tool, int signals, int* toolStatus, bool* quit)
{
    std::vector<char> bytes;
    for (;;) {
        int status = 0;
        pid_t reaped;
        while ((reaped = ::waitpid(-1, &status, WNOHANG)) > 0) {
            if (reaped == tool) {
                *toolStatus = status;
                return true;
            }
        }
        pollfd watch[2] = {{keeperSocket, POLLIN, 0}, {signals, POLLIN, 0}};
        if (::poll(watch, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            *quit = true;
            return false;
        }
        if ((watch[1].revents & POLLIN) && endSignalCame(signals)) {
            *quit = true;
            return false;
        }
        if (watch[0].revents) {
            int fds[3];
            int count = 0;
            const long got =
                receiveMessage(keeperSocket, bytes, maxRequestBytes, fds, &count, true);
            closeAll(fds, count);
            if (got < 0 && errno == EAGAIN)
                continue;
            // Anything but an end request while a tool runs means the program is gone or
            // confused: either way nothing is left to do but end.
            if (got != 1 || bytes[0] != endRequest)
                *quit = true;
            return false;
        }
    }
}

// Starts the request's tool and sees it through to its end; false when the keeper must end.
bool runTool(const DecodedStart& request, const int* fds, int fdCount, int signals)
{
    const StartHeader& header = request.header;
    const int wanted = (header.hasFolder ? 0 : 1) + header.hasInput + header.hasOutput;
    if (fdCount != wanted) {
        closeAll(fds, fdCount);
        return sendReply(ReplyKind::failed, EINVAL);
    }
    int at = 0;
    ChildPlan plan;
    plan.path = request.path;
    plan.argv = request.arguments.data();
    plan.envp = request.environment.data();
    plan.workingFolder = request.folder;
    plan.workingFolderFd = header.hasFolder ? -1 : fds[at++];
    plan.input = header.hasInput ? fds[at++] : -1;
    plan.output = header.hasOutput ? fds[at++] : -1;
    plan.errorsToOutput = header.errorsToOutput != 0;
    plan.nice.wanted = header.niceWanted != 0;
    plan.nice.target = header.niceTarget;
    plan.nice.hasFallback = header.niceHasFallback != 0;
    plan.nice.fallback = header.niceFallback;
    plan.parent = ::getpid();
    plan.signalsReady = true;

    // The tool reports a failure before exec through this pipe; a successful exec closes it.
    int errorPipe[2];
    if (::pipe2(errorPipe, O_CLOEXEC) != 0) {
        const int error = errno;
        closeAll(fds, fdCount);
        return sendReply(ReplyKind::failed, error);
    }
    plan.errorPipe = errorPipe[1];
    ignoreLikeTheProgram(header.ignoredSignals);
    const pid_t tool = forkTool(plan);
    const int forkError = errno;
    ::close(errorPipe[1]);
    closeAll(fds, fdCount);
    int toolError = 0;
    ssize_t got = -1;
    if (tool >= 0) {
        do {
            got = ::read(errorPipe[0], &toolError, sizeof toolError);
        } while (got < 0 && errno == EINTR);
    }
    ::close(errorPipe[0]);
    if (tool < 0)
        return sendReply(ReplyKind::failed, forkError);
    if (got == static_cast<ssize_t>(sizeof toolError)) {
        int status = 0;
        while (::waitpid(tool, &status, 0) < 0 && errno == EINTR) {
        }
        return sendReply(ReplyKind::failed, toolError);
    }

    // Its pid stands for the tool's meanwhile, so it goes by the tool's name.
    const char* name = std::strrchr(request.path, '/');
    ::prctl(PR_SET_NAME, name ? name + 1 : request.path);
    bool quit = !sendReply(ReplyKind::started, tool);
    int toolStatus = 0;
    const bool endedByItself = !quit && waitForTool(tool, signals, &toolStatus, &quit);
    bool toolEnded = endedByItself;
    endEverything(tool, toolEnded, toolStatus);
    ::prctl(PR_SET_NAME, idleName);
    if (quit)
        return false;
    // Told to end it: ended as TerminateProcess would have ended the tool itself.
    constexpr int killedStatus = SIGKILL;
    return sendReply(ReplyKind::ended, endedByItself ? toolStatus : killedStatus);
}

// Waits for the next message while no tool runs; false when the keeper must end.
bool waitWhileIdle(int signals)
{
    pollfd watch[2] = {{keeperSocket, POLLIN, 0}, {signals, POLLIN, 0}};
    for (;;) {
        if (::poll(watch, 2, -1) < 0 && errno != EINTR)
            return false;
        if ((watch[1].revents & POLLIN) && endSignalCame(signals))
            return false;
        if (watch[0].revents)
            return true;
        // Only SIGCHLD: nothing of a tool is left to reap by now.
        int status = 0;
        while (::waitpid(-1, &status, WNOHANG) > 0) {
        }
    }
}

} // namespace

int main()
{
    // Every signal stays blocked: the ones that matter are read from a descriptor, in order.
    sigset_t all;
    sigfillset(&all);
    ::sigprocmask(SIG_SETMASK, &all, nullptr);
    closeAllBut({keeperSocket, -1, -1});
    nullStreams();
    ::fcntl(keeperSocket, F_SETFD, FD_CLOEXEC);
    ::prctl(PR_SET_NAME, idleName);
    if (::prctl(PR_SET_CHILD_SUBREAPER, 1) != 0)
        return 1;
    sigset_t wanted;
    sigemptyset(&wanted);
    sigaddset(&wanted, SIGCHLD);
    for (int signal : endSignals)
        sigaddset(&wanted, signal);
    const int signals = ::signalfd(-1, &wanted, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signals < 0)
        return 1;

    std::vector<char> bytes;
    while (waitWhileIdle(signals)) {
        int fds[3];
        int count = 0;
        const long got = receiveMessage(keeperSocket, bytes, maxRequestBytes, fds, &count, true);
        if (got < 0 && errno == EAGAIN)
            continue;
        if (got <= 0) {
            closeAll(fds, count);
            // The program has ended (or the socket failed): nothing more will come.
            return 0;
        }
        // An end request that came after its tool had ended.
        if (got == 1 && bytes[0] == endRequest)
            continue;
        DecodedStart request;
        if (!decodeStart(bytes, &request)) {
            closeAll(fds, count);
            if (!sendReply(ReplyKind::failed, EINVAL))
                return 0;
            continue;
        }
        if (!runTool(request, fds, count, signals))
            return 0;
    }
    return 0;
}
