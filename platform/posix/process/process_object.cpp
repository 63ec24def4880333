#include "platform/posix/process/process_object.h"

#include "platform/posix/process/spawn.h"
#include "platform/win32/process.h"

#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace posix_process {

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
    if (done || childPid <= 0)
        return;
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(childPid, &status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == 0) {
        // Still running and nobody waits for it any more: reap it later, leaving no zombie.
        pid_t pid = childPid;
        std::thread([pid] { waitForChild(pid); }).detach();
    }
}

void ProcessObject::record(int status)
{
    int result = exitCodeFromStatus(status);
    codeKnown = result >= 0;
    code = codeKnown ? static_cast<DWORD>(result) : 0;
    done = true;
}

// Called with reapMutex held.
bool ProcessObject::tryReap()
{
    if (done)
        return true;
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(childPid, &status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == childPid) {
        record(status);
    } else if (result < 0) {
        // Reaped elsewhere (SIGCHLD ignored, say): it ended, but its exit code is lost.
        codeKnown = false;
        done = true;
    }
    return done;
}

DWORD ProcessObject::wait(DWORD milliseconds)
{
    if (done)
        return WAIT_OBJECT_0;
    if (milliseconds == INFINITE) {
        std::lock_guard lock(reapMutex);
        if (done)
            return WAIT_OBJECT_0;
        int status = 0;
        pid_t result;
        do {
            result = ::waitpid(childPid, &status, 0);
        } while (result < 0 && errno == EINTR);
        if (result == childPid) {
            record(status);
        } else {
            codeKnown = false;
            done = true;
        }
        return WAIT_OBJECT_0;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    auto pause = std::chrono::microseconds(200);
    while (true) {
        if (reapMutex.try_lock()) {
            bool ended = tryReap();
            reapMutex.unlock();
            if (ended)
                return WAIT_OBJECT_0;
        } else if (done) {
            return WAIT_OBJECT_0;
        }
        auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return WAIT_TIMEOUT;
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
        pause = std::min<std::chrono::microseconds>(pause * 2, std::chrono::milliseconds(10));
    }
}

bool ProcessObject::running()
{
    if (done)
        return false;
    std::unique_lock lock(reapMutex, std::try_to_lock);
    if (!lock.owns_lock())
        return !done;
    return !tryReap();
}

bool ProcessObject::exitCode(DWORD* result)
{
    if (running())
        return false;
    std::lock_guard lock(reapMutex);
    if (!codeKnown)
        return false;
    *result = code;
    return true;
}

} // namespace posix_process
