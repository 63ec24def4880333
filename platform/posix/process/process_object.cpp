#include "platform/posix/process/process_object.h"

#include "platform/posix/process/live_children.h"
#include "platform/posix/process/spawn.h"
#include "platform/win32/process.h"

#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <thread>

namespace posix_process {
namespace {

// Without a pid descriptor a timed wait looks again this often.
constexpr auto fallbackPause = std::chrono::milliseconds(5);

// For a child nobody holds a handle to any more.
void reapWhenEnded(pid_t pid)
{
    int status = 0;
    do {
        waitUntilEnded(pid);
    } while (reapIfEnded(pid, &status) == ReapResult::running);
    releaseChild(pid);
}

} // namespace

ProcessObject::ProcessObject(pid_t pid) : childPid(pid) {}

std::shared_ptr<ProcessObject> ProcessObject::finished(DWORD exitCode)
{
    auto object = std::make_shared<ProcessObject>(-1);
    object->code = exitCode;
    object->codeKnown = true;
    object->done = true;
    return object;
}

ProcessObject::~ProcessObject()
{
    if (pidFd >= 0)
        ::close(pidFd);
    if (childPid <= 0)
        return;
    if (settle()) {
        releaseChild(childPid);
        return;
    }
    // Still running and nobody waits for it any more: reap it later, leaving no zombie.
    pid_t pid = childPid;
    std::thread([pid] { reapWhenEnded(pid); }).detach();
}

bool ProcessObject::settle()
{
    if (done)
        return true;
    std::lock_guard lock(stateMutex);
    if (done)
        return true;
    int status = 0;
    ReapResult result = reapIfEnded(childPid, &status);
    if (result == ReapResult::running)
        return false;
    int ownCode = result == ReapResult::reaped ? exitCodeFromStatus(status) : -1;
    if (terminatedCode) {
        code = *terminatedCode;
        codeKnown = true;
    } else {
        // Lost: it ended, but was reaped by someone else (SIGCHLD ignored, say).
        codeKnown = ownCode >= 0;
        code = codeKnown ? static_cast<DWORD>(ownCode) : 0;
    }
    done = true;
    return true;
}

int ProcessObject::endNotifier()
{
    std::lock_guard lock(stateMutex);
    // A kept keeper's stays readable from the tool's end until the release.
    const int setOwn = childEndNotifier(childPid);
    if (setOwn >= 0)
        return setOwn;
    // Only while the child is unreaped: its pid cannot name another process yet.
    if (pidFd < 0 && pidFdAvailable && !done) {
        // The raw call: not every C library has a wrapper (or one usable from C++).
        pidFd = static_cast<int>(::syscall(SYS_pidfd_open, childPid, 0));
        pidFdAvailable = pidFd >= 0;
    }
    return pidFd;
}

void ProcessObject::blockUntilEnded(DWORD milliseconds)
{
    int fd = endNotifier();
    if (fd >= 0) {
        pollfd end{fd, POLLIN, 0};
        int timeout = milliseconds == INFINITE
                          ? -1
                          : static_cast<int>(std::min<DWORD>(milliseconds, INT_MAX));
        if (::poll(&end, 1, timeout) >= 0 || errno == EINTR)
            return;
        // Out of memory for the poll: wait the plain way this once.
    }
    if (milliseconds == INFINITE) {
        waitUntilEnded(childPid);
        return;
    }
    std::this_thread::sleep_for(std::min<std::chrono::milliseconds>(
        fallbackPause, std::chrono::milliseconds(milliseconds)));
}

DWORD ProcessObject::wait(DWORD milliseconds)
{
    if (settle())
        return WAIT_OBJECT_0;
    if (milliseconds == INFINITE) {
        do {
            blockUntilEnded(INFINITE);
        } while (!settle());
        return WAIT_OBJECT_0;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (true) {
        auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero())
            return WAIT_TIMEOUT;
        blockUntilEnded(
            static_cast<DWORD>(std::chrono::ceil<std::chrono::milliseconds>(left).count()));
        if (settle())
            return WAIT_OBJECT_0;
    }
}

bool ProcessObject::running()
{
    return !settle();
}

bool ProcessObject::exitCode(DWORD* result)
{
    if (!settle())
        return false;
    std::lock_guard lock(stateMutex);
    if (!codeKnown)
        return false;
    *result = code;
    return true;
}

bool ProcessObject::terminate(DWORD exitCode)
{
    if (childPid <= 0)
        return false;
    std::lock_guard lock(stateMutex);
    if (done || killChildGroup(childPid) != KillResult::killed)
        return false;
    terminatedCode = exitCode;
    return true;
}

} // namespace posix_process
