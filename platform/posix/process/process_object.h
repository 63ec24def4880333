// The object behind a process handle (and the handle of its primary thread).
#pragma once

#include "platform/posix/process/kernel_object.h"

#include <sys/types.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

namespace posix_process {

class ProcessObject : public KernelObject {
public:
    // A running child, reaped by the first wait that sees it end (or in the background once
    // the last reference goes).
    explicit ProcessObject(pid_t pid);
    // A "process" whose work was done in the caller (built-in commands, a program not found).
    static std::shared_ptr<ProcessObject> finished(DWORD exitCode);
    ~ProcessObject() override;

    // Waits without holding any lock, so that another thread may terminate the process or
    // wait for it meanwhile.
    DWORD wait(DWORD milliseconds) override;
    // True with the exit code once the process ended; false while it runs or when it ended
    // without a known exit code.
    bool exitCode(DWORD* code);
    bool running();
    // Kills the process and its whole process group; once it is reaped its exit code is
    // exitCode. False when it had ended already (its own exit code stays).
    bool terminate(DWORD exitCode);
    pid_t pid() const { return childPid; }

private:
    // Reaps the child if it has ended; true once it is done. Takes stateMutex.
    bool settle();
    // Blocks until the child has ended or the time is up (INFINITE: no limit); reaps nothing.
    void blockUntilEnded(DWORD milliseconds);
    int endNotifier();

    const pid_t childPid;
    std::atomic<bool> done{false};
    // Guards the fields below. Taken before the live children's lock, never after it.
    std::mutex stateMutex;
    bool codeKnown = false;
    DWORD code = 0;
    std::optional<DWORD> terminatedCode;
    int pidFd = -1;             // readable once the child has ended; opened at the first wait
    bool pidFdAvailable = true; // false once the system refused one
};

// The primary thread of a process: signalled when the process ends.
class PrimaryThreadObject : public KernelObject {
public:
    explicit PrimaryThreadObject(std::shared_ptr<ProcessObject> process)
        : process(std::move(process))
    {}
    DWORD wait(DWORD milliseconds) override { return process->wait(milliseconds); }

private:
    std::shared_ptr<ProcessObject> process;
};

} // namespace posix_process
