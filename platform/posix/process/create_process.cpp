// CreateProcessA, GetExitCodeProcess and TerminateProcess over the built-in interpreter and the
// layer's own process start.
#include "platform/posix/process/cmd_interpreter.h"
#include "platform/posix/process/kernel_object.h"
#include "platform/posix/process/process_object.h"
#include "platform/win32/process.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace {

// A Windows environment block: "NAME=value" strings, each ended by a zero, the whole by another.
std::vector<std::string> environmentFromBlock(const char* block)
{
    std::vector<std::string> result;
    while (*block) {
        std::size_t length = std::strlen(block);
        result.emplace_back(block, length);
        block += length + 1;
    }
    return result;
}

} // namespace

BOOL CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine, LPSECURITY_ATTRIBUTES,
                    LPSECURITY_ATTRIBUTES, BOOL, DWORD dwCreationFlags, LPVOID lpEnvironment,
                    LPCSTR lpCurrentDirectory, LPSTARTUPINFOA lpStartupInfo,
                    LPPROCESS_INFORMATION lpProcessInformation)
{
    if ((!lpApplicationName && !lpCommandLine) || !lpStartupInfo || !lpProcessInformation) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // A caller that wants a suspended or debugged child would go wrong with a running one.
    if (dwCreationFlags & (CREATE_SUSPENDED | DEBUG_PROCESS)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }

    // Every child gets a hidden console: its standard streams are /dev/null whatever
    // STARTF_USESTDHANDLES asks, since the layer hands out no pipe or file handles.
    posix_process::CommandContext context;
    context.highPriority = (dwCreationFlags & (HIGH_PRIORITY_CLASS | REALTIME_PRIORITY_CLASS)) != 0;
    std::vector<std::string> environment;
    if (lpEnvironment) {
        environment = environmentFromBlock(static_cast<const char*>(lpEnvironment));
        context.environment = &environment;
    }
    if (lpCurrentDirectory) {
        std::string folder = lpCurrentDirectory;
        if (!folder.empty() && folder.front() != '/') {
            char buffer[4096];
            if (!::getcwd(buffer, sizeof buffer)) {
                SetLastError(ERROR_PATH_NOT_FOUND);
                return FALSE;
            }
            folder = std::string(buffer) + "/" + folder;
        }
        struct stat info;
        if (folder.empty() || ::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            SetLastError(ERROR_DIRECTORY);
            return FALSE;
        }
        context.workingFolder = folder;
    }

    DWORD error = ERROR_SUCCESS;
    std::string_view commandLine = lpCommandLine ? lpCommandLine : lpApplicationName;
    std::shared_ptr<posix_process::ProcessObject> process =
        posix_process::startCommandLine(lpApplicationName, commandLine, context, &error);
    if (!process) {
        SetLastError(error);
        return FALSE;
    }
    pid_t pid = process->pid();
    lpProcessInformation->hThread = posix_process::registerHandle(
        std::make_shared<posix_process::PrimaryThreadObject>(process));
    lpProcessInformation->hProcess = posix_process::registerHandle(process);
    lpProcessInformation->dwProcessId = pid > 0 ? static_cast<DWORD>(pid) : 0;
    lpProcessInformation->dwThreadId = lpProcessInformation->dwProcessId;
    return TRUE;
}

BOOL GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode)
{
    auto process = std::dynamic_pointer_cast<posix_process::ProcessObject>(
        posix_process::lookupHandle(hProcess));
    if (!process) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!lpExitCode) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (process->running()) {
        *lpExitCode = STILL_ACTIVE;
        return TRUE;
    }
    DWORD code = 0;
    if (!process->exitCode(&code)) {
        // It ended, but was reaped by someone else: its exit code is lost.
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *lpExitCode = code;
    return TRUE;
}

BOOL TerminateProcess(HANDLE hProcess, UINT uExitCode)
{
    auto process = std::dynamic_pointer_cast<posix_process::ProcessObject>(
        posix_process::lookupHandle(hProcess));
    if (!process) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!process->terminate(uExitCode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}
