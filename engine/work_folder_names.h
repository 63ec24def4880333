// How work folders and their files are named, the same on every system; work_folder.cpp and
// work_folder_win32.cpp hold what differs.
#pragma once

#include <string>

// The path's suffix (".png") for a work file's name; empty when it has none or an odd one.
std::string workFileSuffix(const std::string& path);

// The pid in a work folder's name ".tarnwick-PID-XXXXXX", or -1 when the name is not one.
long workFolderOwner(const std::string& name);

// The last component of path.
std::string lastPathPart(const std::string& path);
