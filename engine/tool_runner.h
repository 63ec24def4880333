// Runs one external tool through the command interpreter, hidden, and waits for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "engine/command_runner.h"
#include <string>

// The command line's budget, its terminating zero included.
constexpr std::size_t commandLineBudget = 4096;

// INTERPRETER + " /c " + COMMAND, then " " + ARGUMENTS when not empty; nothing is quoted or
// escaped. Empty when the line would need commandLineBudget bytes or more.
std::optional<std::string> composeCommandLine(const std::string& interpreter,
                                              const std::string& command,
                                              const std::string& arguments);

// The interpreter the tools run through: COMSPEC, or "CMD.EXE" when it is not set.
std::string commandInterpreter();

// Runs COMMAND (and ARGUMENTS) through the interpreter in a hidden console, in the high priority
// class when asked, and waits without limit. Returns the exit code (9009: the tool was not
// found); 0 when the exit code cannot be read; the system error code when the process could not
// be created: ERROR_FILENAME_EXCED_RANGE (206) for a command line of 4096 bytes or more and
// ERROR_INVALID_PARAMETER (87) for a command holding a zero byte, and nothing runs then.
std::int32_t runCommand(const std::string& command, const std::string& arguments,
                        bool highPriority);

// runCommand with no further arguments, a time limit (0: none) and a flag that ends the tool at
// once. A tool that is ended, by either, is ended with every process in its process group.
RunOutcome runCommandWithin(const std::string& command, bool highPriority,
                            std::chrono::milliseconds timeLimit, const std::atomic<bool>* abort);

// PATH as one argument in double quotes, escaped so that the Windows quoting rules give back
// exactly PATH: backslashes before a quote and at the end are doubled, a quote becomes \".
// For a path without quotes and trailing backslashes this is "\"" + path + "\"".
std::string quoteArgument(const std::string& path);
