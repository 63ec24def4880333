// The interpreter's built-in "copy" and "xcopy" commands.
#pragma once

#include "platform/posix/process/command_line.h"
#include "platform/win32/base.h"

#include <string>
#include <vector>

namespace posix_process {

// copy [switches] SRC [DEST]: one file into an existing folder, or to a file (replaced); the
// copy keeps the source's mode and times. A symbolic link given as SRC is followed (its data is
// what gets copied). Relative paths start at workingFolder (empty: the current folder).
// Returns 0 when copied, 1 otherwise.
DWORD runCopyCommand(const std::vector<CmdArgument>& arguments, const std::string& workingFolder);

// xcopy [/E] [/S] [/H] [other switches] SRC [DEST]: copies the files of folder SRC into DEST
// (created when missing); /S or /E also the sub-folders, /E empty ones too, /H hidden (dot)
// files too. Modes and times are kept, symbolic links are copied as links and never followed,
// special files (pipes, sockets, devices) are left out. Returns 0 when everything was copied,
// 4 for bad arguments, a missing source or a destination inside the source, 5 when anything
// could not be copied (the rest is still copied).
DWORD runXcopyCommand(const std::vector<CmdArgument>& arguments, const std::string& workingFolder);

} // namespace posix_process
