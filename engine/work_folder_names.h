// How work folders and their files are named, the same on every system; work_folder.cpp and
// work_folder_win32.cpp hold what differs.
#pragma once

#include <string>

// Begins with "work", like every file a step leaves in its folder.
inline constexpr const char* rewriteNoteName = "work-rewrite";

// The path's suffix (".png") for a work file's name; empty when it has none or an odd one.
std::string workFileSuffix(const std::string& path);

// The pid in a work folder's name ".tarnwick-PID-XXXXXX", or -1 when the name is not one.
long workFolderOwner(const std::string& name);

// The last component of path.
std::string lastPathPart(const std::string& path);

// The note's two plain names: the file to rewrite (beside the folder) and the result (inside it).
// False when the note is cut short or a name could point anywhere else.
bool readRewriteNote(const std::string& text, std::string& target, std::string& result);
