// Builds the command texts the engine hands to runCommand.
#pragma once

#include <string>

// The path as one quoted argument for the command interpreter. A name that begins with "-" gets
// "./" in front, so no tool can take it for an option.
std::string quotedPathArgument(const std::string& path);

// Runs one tool command through runCommand with no further arguments; the result is ignored
// by every caller, which looks at sizes instead.
void runToolCommand(const std::string& command, bool highPriority);
