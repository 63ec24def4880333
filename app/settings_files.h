// What the settings need of the file system, one file a platform (settings_files_posix.cpp,
// settings_files_win32.cpp). userSettingsFolder (settings.h) is defined there too.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// The whole text of path when it is a regular file of at most limit bytes. A pipe would wait for
// a writer forever and a link to a device could be endless: neither is read (false).
bool readSmallRegularFile(const std::string& path, std::size_t limit, std::string& text);

// Writes what the stream's file holds through to the disk; false with errno set when it fails.
bool flushToDisk(std::FILE* stream);

// The settings may sit in folder, a program's own: this user may create files there, and it is not
// a folder that installed programs live in (isSystemFolder), where they must not sit even when the
// user may write there (root on Linux, an administrator on Windows): they would outlive the
// program's removal and be shared by every user.
bool isPortableFolder(const std::string& folder);

// folder is, or lies inside, a folder for installed programs: on Linux /usr, /opt, /bin, /sbin and
// the install prefix the program was built for; on Windows the Program Files folders and the
// Windows folder.
bool isSystemFolder(const std::string& folder);
