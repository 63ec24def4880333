#include "platform/posix/process/piped_child.h"

#include "platform/posix/process/live_children.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

namespace posix_process {
namespace {

// The child's standard streams are 0 to 2: our ends must not sit there (nor, once the child has
// them as 0 and 1, may another child inherit them: everything is close-on-exec).
bool makePipe(int fds[2])
{
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    for (int i = 0; i < 2; ++i) {
        if (fds[i] > 2)
            continue;
        int moved = ::fcntl(fds[i], F_DUPFD_CLOEXEC, 3);
        ::close(fds[i]);
        fds[i] = moved;
    }
    if (fds[0] >= 0 && fds[1] >= 0)
        return true;
    for (int i = 0; i < 2; ++i) {
        if (fds[i] >= 0)
            ::close(fds[i]);
    }
    return false;
}

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// A write to a pipe nobody reads raises SIGPIPE, which would end this whole program: it is
// blocked on this thread for the write, and one that the write raised is taken back.
bool writeWithoutSignal(int fd, std::string_view text)
{
    sigset_t pipeOnly;
    sigset_t previous;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);
    sigset_t pendingBefore;
    sigpending(&pendingBefore);
    const bool wasPending = sigismember(&pendingBefore, SIGPIPE);
    bool ok = true;
    while (!text.empty()) {
        ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            ok = false;
            break;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    if (!ok && errno == EPIPE && !wasPending) {
        const timespec none{};
        while (::sigtimedwait(&pipeOnly, nullptr, &none) < 0 && errno == EINTR) {
        }
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return ok;
}

} // namespace

PipedChild::~PipedChild()
{
    kill();
}

bool PipedChild::start(SpawnRequest request, int* error)
{
    kill();
    int toChild[2];
    int fromChild[2];
    if (!makePipe(toChild)) {
        *error = errno;
        return false;
    }
    if (!makePipe(fromChild)) {
        *error = errno;
        ::close(toChild[0]);
        ::close(toChild[1]);
        return false;
    }
    request.input = toChild[0];
    request.output = fromChild[1];
    pid = spawnProgram(request, error);
    ::close(toChild[0]);
    ::close(fromChild[1]);
    input = toChild[1];
    output = fromChild[0];
    pending.clear();
    if (pid >= 0)
        return true;
    closePipes();
    return false;
}

bool PipedChild::startListening(SpawnRequest request, int* error)
{
    kill();
    int fromChild[2];
    if (!makePipe(fromChild)) {
        *error = errno;
        return false;
    }
    request.input = -1;
    request.output = fromChild[1];
    pid = spawnProgram(request, error);
    ::close(fromChild[1]);
    output = fromChild[0];
    pending.clear();
    if (pid >= 0)
        return true;
    closePipes();
    return false;
}

bool PipedChild::send(std::string_view text)
{
    return input >= 0 && writeWithoutSignal(input, text);
}

PipedChild::Read PipedChild::readLine(std::string* line, std::chrono::milliseconds wait)
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        const std::size_t end = pending.find('\n');
        if (end != std::string::npos) {
            line->assign(pending, 0, end);
            pending.erase(0, end + 1);
            return Read::line;
        }
        Read result;
        if (!fill(deadline, &result))
            return result;
    }
}

bool PipedChild::readSome(std::string* text, std::chrono::milliseconds wait)
{
    Read result;
    if (pending.empty() && !fill(std::chrono::steady_clock::now() + wait, &result))
        return result != Read::closed;
    text->append(pending);
    pending.clear();
    return true;
}

bool PipedChild::fill(std::chrono::steady_clock::time_point deadline, Read* result)
{
    for (;;) {
        if (output < 0) {
            *result = Read::closed;
            return false;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd watch{output, POLLIN, 0};
        const int ready = ::poll(&watch, 1, static_cast<int>(std::max<long long>(0, left.count())));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0) {
            *result = Read::waiting;
            return false;
        }
        char buffer[4096];
        ssize_t got = ::read(output, buffer, sizeof buffer);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got <= 0) {
            closeFd(output);
            *result = Read::closed;
            return false;
        }
        pending.append(buffer, static_cast<std::size_t>(got));
        return true;
    }
}

int PipedChild::finish(std::chrono::milliseconds grace)
{
    closeFd(input);
    return reap(grace);
}

void PipedChild::kill()
{
    reap(std::chrono::milliseconds(0));
}

void PipedChild::closePipes()
{
    closeFd(input);
    closeFd(output);
    pending.clear();
}

int PipedChild::reap(std::chrono::milliseconds grace)
{
    if (pid < 0) {
        closePipes();
        return -1;
    }
    // Reaping goes through the live children's set, so that the group is never signalled
    // once its id may belong to somebody else.
    const auto deadline = std::chrono::steady_clock::now() + grace;
    int status = 0;
    bool killed = false;
    int code = -1;
    for (;;) {
        const ReapResult reaped = reapIfEnded(pid, &status);
        if (reaped == ReapResult::reaped) {
            code = exitCodeFromStatus(status);
            break;
        }
        if (reaped == ReapResult::lost)
            break;
        if (!killed && std::chrono::steady_clock::now() >= deadline) {
            killChildGroup(pid);
            killed = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    releaseChild(pid);
    pid = -1;
    closePipes();
    return code;
}

} // namespace posix_process
