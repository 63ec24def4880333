// What file_system.cpp needs of the system, one file a platform: the separator, reading one
// folder's entries, and the few single-path queries and changes (folder_entries_posix.cpp,
// folder_entries_win32.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "util/file_system.h"

enum class EntryKind : std::uint8_t { file, folder, other };

struct FolderEntry {
    std::size_t nameOffset;
    std::size_t nameLength;
    EntryKind kind;
};

// One folder's entries, read whole so that the folder is closed again before a walk goes
// deeper: a deep tree then never runs out of descriptors.
struct FolderListing {
    std::string names;
    std::vector<FolderEntry> entries;
};

// Reads the entries of folder (a path ending in a separator) except "." and "..", in the order
// the system gives them. Links, pipes and devices are of kind other. With followLink false, a
// folder that is itself a link is not read (false). folder is unchanged on return.
bool readFolder(std::string& folder, bool followLink, FolderListing& listing);

// How much of path is its root: 1 for a leading separator, on Windows 2 for "C:" and 3 for "C:\";
// 0 for a relative path.
std::size_t rootLength(const std::string& path);

bool isFolderOrLinkToOne(const std::string& path);
// path itself is a regular file: not a link, folder or special file.
bool isPlainFile(const std::string& path);
// path itself is a folder, not a link to one.
bool isRealFolder(const std::string& path);
bool makeFolder(const std::string& path);
void removeFolder(const std::string& path);
// Removes a file or a link (never what it points to).
void removeEntry(const std::string& path);
