// Folder tests, creation and walks over paths held as byte strings. On Linux "/" is the
// separator and a backslash is an ordinary file-name character, except where makeDirectories
// says otherwise; on Windows both separate, and paths are built with a backslash.
// Walks never follow or list symbolic links and list only regular files. Nothing here throws or
// reports: a folder that cannot be opened contributes nothing.
#pragma once

#include <functional>
#include <string>
#include <vector>

#ifdef _WIN32
// Both separate on Windows; the backslash is the one paths are built with.
constexpr char pathSeparator = '\\';
constexpr const char* pathSeparators = "\\/";
#else
constexpr char pathSeparator = '/';
constexpr const char* pathSeparators = "/";
#endif

constexpr bool isSeparator(char c)
{
    for (const char* separator = pathSeparators; *separator; ++separator) {
        if (c == *separator)
            return true;
    }
    return false;
}

// True when path does not depend on the current folder: it begins with "/" on Linux, with a
// separator or a drive ("C:") on Windows.
bool isAbsolutePath(const std::string& path);

// True when path names an existing folder (or a link to one).
bool directoryExists(const std::string& path);

// The folder holding path: everything before its last separator, the root itself (with its
// separator) for a file at the root, "." for a bare name.
std::string parentFolder(const std::string& path);

// True when path itself is a regular file: not a link (whatever it points to), folder, pipe,
// socket or device.
bool isRegularFile(const std::string& path);

// path with a separator at its end (unchanged when it already ends in one).
std::string withTrailingSeparator(const std::string& path);

// Creates every missing folder on path. Backslashes count as separators here, runs of
// separators count as one; a path that begins with "/" is absolute, any other is relative to the
// current folder. False as soon as one folder cannot be created (those made so far stay).
bool makeDirectories(const std::string& path);

// Appends every sub-folder of folder (all levels below with recursive), depth first in pre-order.
void listSubdirectories(const std::string& folder, std::vector<std::string>& result,
                        bool recursive);

// Appends every file whose path is longer than suffix and ends with it, byte for byte.
void listFilesWithSuffix(const std::string& folder, std::vector<std::string>& result,
                         const std::string& suffix, bool recursive);

// One walk for several suffixes: list i holds exactly what listFilesWithSuffix gives for
// suffixes[i], in the same order.
std::vector<std::vector<std::string>>
listFilesWithSuffixes(const std::string& folder, const std::vector<std::string>& suffixes,
                      bool recursive);

// Folders a walk passes over with everything below them: those holding a regular file named
// marker for which confirm(folder) is true. The marker is looked for among the entries the walk
// reads anyway, so a folder without one costs nothing more.
struct FolderMark {
    std::string marker;
    std::function<bool(const std::string& folder)> confirm;
};

// One walk as above, but letters in the suffixes match either case, as file names do on Windows,
// and each file goes only into the list of the first suffix it ends with. With mark, the marked
// folders (the walked folder itself included) give nothing.
std::vector<std::vector<std::string>>
listFilesWithSuffixesIgnoringCase(const std::string& folder,
                                  const std::vector<std::string>& suffixes, bool recursive,
                                  const FolderMark* mark = nullptr);

// The same walk, each file handed to found with the index of the first suffix it ends with, as
// it is met, so that nothing is kept that the caller does not keep.
void walkFilesWithSuffixesIgnoringCase(
    const std::string& folder, const std::vector<std::string>& suffixes, bool recursive,
    const std::function<void(std::size_t suffix, const std::string& path)>& found,
    const FolderMark* mark = nullptr);

// Appends every file of folder (all levels below with recursive).
void listFiles(const std::string& folder, std::vector<std::string>& result, bool recursive);

// Deletes folder with everything below it, deepest first; links are removed, never followed.
// Whatever cannot be deleted stays, silently. A path that is not a real folder is left alone.
void removeTree(const std::string& folder);
