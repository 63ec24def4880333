// Tools on Linux: every process CreateProcessA starts already leads a process group of its own
// that TerminateProcess ends whole, and dies with the thread that started it.
#include "platform/process_additions.h"

BOOL startTool(LPSTR commandLine, DWORD creationFlags, LPSTARTUPINFOA startup,
               LPPROCESS_INFORMATION process)
{
    return CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, creationFlags, nullptr,
                          nullptr, startup, process);
}

BOOL endTool(HANDLE process, UINT exitCode)
{
    return TerminateProcess(process, exitCode);
}

void closeTool(PROCESS_INFORMATION& process)
{
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}
