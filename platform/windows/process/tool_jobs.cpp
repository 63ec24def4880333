// Tools on Windows: each starts suspended, joins a job object of its own and only then runs, so
// everything it starts is in the job too. Ending the job ends them all; the jobs end themselves
// when their last handle closes, and this program holds the only ones, so no tool outlives it.
#include "platform/process_additions.h"

#include <map>
#include <mutex>

namespace {

struct ToolJobs {
    std::mutex mutex;
    std::map<HANDLE, HANDLE> jobOfProcess;
};

// Never destroyed: tools may still be let go of by threads that outlive static destruction.
ToolJobs& toolJobs()
{
    static ToolJobs* const jobs = new ToolJobs;
    return *jobs;
}

HANDLE newJob()
{
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    if (!job)
        return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        CloseHandle(job);
        return nullptr;
    }
    return job;
}

} // namespace

BOOL startTool(LPSTR commandLine, DWORD creationFlags, LPSTARTUPINFOA startup,
               LPPROCESS_INFORMATION process)
{
    HANDLE job = newJob();
    if (!job)
        return FALSE;
    // A console of its own, but never a window for it: tools are console programs.
    const bool suspended = (creationFlags & CREATE_SUSPENDED) != 0;
    const DWORD flags =
        (creationFlags & ~DWORD{CREATE_NEW_CONSOLE}) | CREATE_NO_WINDOW | CREATE_SUSPENDED;
    // Standard handles reach the child only by inheritance.
    const BOOL inherit = startup && (startup->dwFlags & STARTF_USESTDHANDLES) != 0;
    ToolJobs& jobs = toolJobs();
    // Held from the start to the registration, so that no terminateAllTools falls in between.
    std::lock_guard lock(jobs.mutex);
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, inherit, flags, nullptr, nullptr,
                        startup, process)) {
        const DWORD error = GetLastError();
        CloseHandle(job);
        SetLastError(error);
        return FALSE;
    }
    if (!AssignProcessToJobObject(job, process->hProcess)) {
        const DWORD error = GetLastError();
        TerminateProcess(process->hProcess, 1);
        CloseHandle(process->hThread);
        CloseHandle(process->hProcess);
        CloseHandle(job);
        SetLastError(error);
        return FALSE;
    }
    jobs.jobOfProcess[process->hProcess] = job;
    if (!suspended)
        ResumeThread(process->hThread);
    return TRUE;
}

BOOL endTool(HANDLE process, UINT exitCode)
{
    const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    {
        ToolJobs& jobs = toolJobs();
        std::lock_guard lock(jobs.mutex);
        auto found = jobs.jobOfProcess.find(process);
        if (found == jobs.jobOfProcess.end())
            return TerminateProcess(process, exitCode);
        // Even when the tool itself is gone, what it left running goes with the job.
        TerminateJobObject(found->second, exitCode);
    }
    if (ended) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}

void closeTool(PROCESS_INFORMATION& process)
{
    HANDLE job = nullptr;
    {
        ToolJobs& jobs = toolJobs();
        std::lock_guard lock(jobs.mutex);
        auto found = jobs.jobOfProcess.find(process.hProcess);
        if (found != jobs.jobOfProcess.end()) {
            job = found->second;
            jobs.jobOfProcess.erase(found);
        }
    }
    // Closing the job ends whatever the tool left running behind it.
    if (job)
        CloseHandle(job);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

void terminateAllTools()
{
    ToolJobs& jobs = toolJobs();
    std::lock_guard lock(jobs.mutex);
    for (const auto& [process, job] : jobs.jobOfProcess)
        TerminateJobObject(job, 1);
}
