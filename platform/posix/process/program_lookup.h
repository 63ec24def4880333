// Finding a program the way the command interpreter does.
#pragma once

#include <string>

namespace posix_process {

// Searches currentFolder, then each folder of pathVariable (":"-separated; may be null), for
// name: first the exact name, then the name case-insensitively, each with or without ".exe".
// Only executable regular files count. A name holding "/" is looked up in its own folder only
// (relative to currentFolder). Stores the path found in *foundPath when it is not null.
bool findProgram(const std::string& name, const std::string& currentFolder,
                 const char* pathVariable, std::string* foundPath);

} // namespace posix_process
