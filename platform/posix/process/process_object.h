// The object behind a process handle (and the handle of its primary thread).
#pragma once

#include "platform/posix/process/kernel_object.h"

#include <sys/types.h>

#include <atomic>
#include <memory>
#include <mutex>

namespace posix_process {

class ProcessObject : public KernelObject {
public:
    // A running child, reaped by the first wait that sees it end (or in the background once
    // the last reference goes).
    explicit ProcessObject(pid_t pid);
    // A "process" whose work was done in the caller (built-in commands, a program not found).
    static std::shared_ptr<ProcessObject> finished(DWORD exitCode);
    ~ProcessObject() override;

    DWORD wait(DWORD milliseconds) override;
    // True with the exit code once the process ended; false while it runs or when it ended
    // without a known exit code.
    bool exitCode(DWORD* code);
    bool running();
    pid_t pid() const { return childPid; }

private:
    void record(int status);
    bool tryReap();

    pid_t childPid;
    std::timed_mutex reapMutex;
    std::atomic<bool> done{false};
    bool codeKnown = false;
    DWORD code = 0;
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
