// What the process side adds to the Win32 calls, with no counterpart in the SDK: tools that end
// together with everything they started and never outlive the program, the command interpreter's
// own run and its program lookup. Linux: platform/posix/process; Windows: platform/windows.
#pragma once

#include <string>

#include "platform/win32/process.h"

// Starts a tool: CreateProcessA with no application name, this program's environment and current
// folder, and no inherited handles unless startup asks for STARTF_USESTDHANDLES (Windows: then
// the inheritable ones are, so make only those three inheritable; Linux hands out no handles to
// give and ignores it). The tool and every process it starts end together on endTool
// or terminateAllTools, and none of them outlives this program (SIGKILL and crashes included).
// Wait for the tool on the thread that started it, or at least keep that thread alive meanwhile.
BOOL startTool(LPSTR commandLine, DWORD creationFlags, LPSTARTUPINFOA startup,
               LPPROCESS_INFORMATION process);

// Ends a tool started by startTool with every process it started; once it is gone,
// GetExitCodeProcess reports exitCode. FALSE when it had ended already. It does not wait.
BOOL endTool(HANDLE process, UINT exitCode);

// Lets go of a tool started by startTool once it has been waited for: closes its handles.
void closeTool(PROCESS_INFORMATION& process);

// Ends every tool started by startTool (or CreateProcessA on Linux) that has not been let go of,
// with every process each of them started. For a normal thread, not a signal handler. It does
// not wait: the tools' waits see them end. Tools started after it returns are not affected.
void terminateAllTools();

// Runs one command the way "cmd /c COMMAND" does (copy and xcopy included) and waits for it;
// returns its exit code (9009 for a program that is not found), or -1 when it could not run at
// all. A null command returns 1: the interpreter is available.
int cmdSystem(const char* command);

// Finds a program the way the interpreter does: in the current folder first (on Windows the
// program's own folder before it), then along PATH; names match case-insensitively, with or
// without ".exe" (on Windows every PATHEXT extension). A name holding a separator is looked up
// in its own folder only. On success stores the path to start in *foundPath (may be null).
bool cmdFindProgram(const std::string& name, std::string* foundPath);
