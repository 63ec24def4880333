// The built-in command interpreter: what "cmd /c COMMAND" does, without any shell.
#pragma once

#include "platform/posix/process/process_object.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace posix_process {

struct CommandContext {
    const std::vector<std::string>* environment = nullptr; // null: the caller's environment
    std::string workingFolder;                             // absolute; empty: the current folder
    bool highPriority = false;
};

// True when a program name names the interpreter: its base name (after the last "/" or "\")
// is "cmd" or "cmd.exe" in any case.
bool isCmdInterpreter(std::string_view programName);

// Runs COMMAND as the interpreter would: the program is split off by the Windows quoting rules
// and looked up (current folder, then PATH), then started directly; "copy" and "xcopy" run
// here and are finished on return. A program that is not found ends with 9009. Operators such
// as &, |, < and > are not interpreted: they are plain characters of the arguments. Returns
// null with a Win32 error in *error only when no process could be created at all.
std::shared_ptr<ProcessObject> startCmdCommand(std::string_view command,
                                               const CommandContext& context, DWORD* error);

// Starts a whole command line as CreateProcessA does: when the program (applicationName, or
// else the line's first word) is the interpreter, the line's "/c COMMAND" runs as above;
// any other program is looked up like a command and started with the line split into argv.
std::shared_ptr<ProcessObject> startCommandLine(const char* applicationName,
                                                std::string_view commandLine,
                                                const CommandContext& context, DWORD* error);

} // namespace posix_process
