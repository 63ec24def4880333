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

// This user may create files in folder.
bool isWritableFolder(const std::string& folder);
