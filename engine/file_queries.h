// What the engine asks of the file system beyond util's walks, one file a platform
// (file_queries_posix.cpp, file_queries_win32.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

// The absolute path with every link resolved; empty when it cannot be resolved.
std::string resolvedPath(const std::string& path);

// path itself is a link (or, on Windows, any reparse point).
bool isLink(const std::string& path);

// The file a name stands for: a link given by the user stands for the file it points to, which
// is what a step replaces (the link itself stays); path itself when it is no link or cannot be
// resolved.
inline std::string fileBehind(const std::string& path)
{
    if (!isLink(path))
        return path;
    const std::string resolved = resolvedPath(path);
    return resolved.empty() ? path : resolved;
}

// path is a regular file, or a link to one.
bool isRegularFileBehindLinks(const std::string& path);

// path is a file nobody may write to (no write bit on Linux, the read-only attribute on
// Windows, which refuses to replace such a file).
bool isReadOnlyFile(const std::string& path);

// Why folder may not hold this user's private files (owned by someone else, or writable by
// others: they could swap what is in it), or empty when it may. Windows leaves that to the
// folder's access list: always empty there.
std::string whyNotPrivate(const std::string& folder);

// A resolved path that names the root of a file system ("/", "C:\").
bool isFileSystemRoot(const std::string& resolved);

enum class NewFolder { made, nameTaken, failed };

// Creates the folder path and nothing else: never through a link, never over anything. nameTaken
// when a folder or a link holds the name already; failed otherwise. privateToUser makes it
// readable by this user alone where the system has such modes.
NewFolder makeNewFolder(const std::string& path, bool privateToUser);

// Removes an empty folder; nothing happens to one that is not empty.
void removeEmptyFolder(const std::string& path);

// The user's own folder for caches when XDG_CACHE_HOME does not name one: HOME/.cache on Linux,
// LOCALAPPDATA on Windows; empty when unknown.
std::string userCacheFolder();

// Which file path is, and in what version: changes when the file is replaced, written or its
// link retargeted. "-" when there is no such file.
std::string fileIdentity(const std::string& path);

// The file behind path (links followed): its device (volume) and number there, which all its
// names share, and how many names it has.
struct FileNumber {
    std::uint64_t device = 0;
    std::uint64_t number = 0;
    std::uint64_t names = 0;
};

// False when there is no such file.
bool fileNumber(const std::string& path, FileNumber& found);

// When the file behind path (links followed) was last read and last written, in the system's
// own units: only compared with each other and given back.
struct FileTimes {
    std::int64_t accessed = 0;
    std::int64_t modified = 0;
};

// False when there is no such file.
bool fileTimes(const std::string& path, FileTimes& found);

// Gives the file behind path both times; false when that fails.
bool setFileTimes(const std::string& path, const FileTimes& times);

// Reads the regular file path (not a link, pipe or device) and hands every chunk to consume,
// which may stop the read by returning false. False when path is no regular file, a read fails
// or consume stopped it.
bool readRegularFile(const std::string& path,
                     const std::function<bool(const char* data, std::size_t size)>& consume);

// Writes what stream holds to the disk itself (fflush, then fdatasync or its Windows equivalent).
bool syncStreamToDisk(std::FILE* stream);
