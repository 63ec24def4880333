#include "util/file_system.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>

#include "util/folder_entries.h"
#include "util/text_split.h"

namespace {

// Depth-first pre-order walk. path ends in "/" on entry and is restored on return; levels keeps
// one reusable entry buffer per depth.
bool isMarked(const std::string& path, const FolderListing& level, const FolderMark* mark)
{
    if (!mark)
        return false;
    for (const FolderEntry& entry : level.entries)
        if (entry.kind == EntryKind::file && entry.nameLength == mark->marker.size() &&
            level.names.compare(entry.nameOffset, entry.nameLength, mark->marker) == 0)
            return mark->confirm(path);
    return false;
}

template <typename Visitor>
void walk(std::string& path, std::deque<FolderListing>& levels, std::size_t depth, bool recursive,
          Visitor& visit, const FolderMark* mark)
{
    if (levels.size() <= depth)
        levels.emplace_back();
    FolderListing& level = levels[depth];
    if (!readFolder(path, depth == 0, level) || isMarked(path, level, mark))
        return;
    const std::size_t baseLength = path.size();
    for (const FolderEntry& entry : level.entries) {
        if (entry.kind == EntryKind::other)
            continue;
        path.resize(baseLength);
        path.append(level.names, entry.nameOffset, entry.nameLength);
        if (entry.kind == EntryKind::file) {
            visit.file(path);
        } else {
            visit.folder(path);
            if (recursive) {
                path += pathSeparator;
                walk(path, levels, depth + 1, recursive, visit, mark);
            }
        }
    }
    path.resize(baseLength);
}

template <typename Visitor>
void walkFrom(const std::string& folder, bool recursive, Visitor& visit,
              const FolderMark* mark = nullptr)
{
    // An empty path names no folder (it would otherwise become "/", the whole file system).
    if (folder.empty())
        return;
    std::string path = withTrailingSeparator(folder);
    std::deque<FolderListing> levels;
    walk(path, levels, 0, recursive, visit, mark);
}

bool endsWithLonger(const std::string& path, const std::string& suffix)
{
    return path.size() > suffix.size() && std::memcmp(path.data() + path.size() - suffix.size(),
                                                      suffix.data(), suffix.size()) == 0;
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool endsWithLongerIgnoringCase(const std::string& path, const std::string& suffix)
{
    if (path.size() <= suffix.size())
        return false;
    const char* tail = path.data() + path.size() - suffix.size();
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        if (lowerAscii(tail[i]) != lowerAscii(suffix[i]))
            return false;
    }
    return true;
}

void removeContents(std::string& path, std::deque<FolderListing>& levels, std::size_t depth)
{
    if (levels.size() <= depth)
        levels.emplace_back();
    FolderListing& level = levels[depth];
    if (!readFolder(path, depth == 0, level))
        return;
    const std::size_t baseLength = path.size();
    for (const FolderEntry& entry : level.entries) {
        path.resize(baseLength);
        path.append(level.names, entry.nameOffset, entry.nameLength);
        if (entry.kind == EntryKind::folder) {
            path += pathSeparator;
            removeContents(path, levels, depth + 1);
            path.pop_back();
            removeFolder(path);
        } else {
            // A link goes, never what it points to.
            removeEntry(path);
        }
    }
    path.resize(baseLength);
}

} // namespace

bool isAbsolutePath(const std::string& path)
{
    return rootLength(path) > 0;
}

bool directoryExists(const std::string& path)
{
    return isFolderOrLinkToOne(path);
}

bool isRegularFile(const std::string& path)
{
    return isPlainFile(path);
}

std::string withTrailingSeparator(const std::string& path)
{
    if (!path.empty() && isSeparator(path.back()))
        return path;
    return path + pathSeparator;
}

bool makeDirectories(const std::string& path)
{
    std::string unified = path;
    std::replace(unified.begin(), unified.end(), '\\', '/');
    std::vector<std::string> pieces;
    splitOnChar(unified, pieces, '/');
    // An absolute path keeps its root, as a drive letter does.
    std::string prefix = !path.empty() && isSeparator(path[0]) ? std::string(1, pathSeparator) : "";
    for (const std::string& piece : pieces) {
        prefix += piece;
        prefix += pathSeparator;
        if (directoryExists(prefix))
            continue;
        // Someone else may have made it in the meantime, which is just as good.
        if (!makeFolder(prefix) && !directoryExists(prefix))
            return false;
    }
    return true;
}

void listSubdirectories(const std::string& folder, std::vector<std::string>& result, bool recursive)
{
    struct Visitor {
        std::vector<std::string>& result;
        void file(const std::string&) {}
        void folder(const std::string& path) { result.push_back(path); }
    } visit{result};
    walkFrom(folder, recursive, visit);
}

void listFilesWithSuffix(const std::string& folder, std::vector<std::string>& result,
                         const std::string& suffix, bool recursive)
{
    struct Visitor {
        std::vector<std::string>& result;
        const std::string& suffix;
        void file(const std::string& path)
        {
            if (endsWithLonger(path, suffix))
                result.push_back(path);
        }
        void folder(const std::string&) {}
    } visit{result, suffix};
    walkFrom(folder, recursive, visit);
}

std::vector<std::vector<std::string>>
listFilesWithSuffixes(const std::string& folder, const std::vector<std::string>& suffixes,
                      bool recursive)
{
    struct Visitor {
        std::vector<std::vector<std::string>> lists;
        const std::vector<std::string>& suffixes;
        void file(const std::string& path)
        {
            for (std::size_t i = 0; i < suffixes.size(); ++i) {
                if (endsWithLonger(path, suffixes[i]))
                    lists[i].push_back(path);
            }
        }
        void folder(const std::string&) {}
    } visit{std::vector<std::vector<std::string>>(suffixes.size()), suffixes};
    walkFrom(folder, recursive, visit);
    return std::move(visit.lists);
}

std::vector<std::vector<std::string>>
listFilesWithSuffixesIgnoringCase(const std::string& folder,
                                  const std::vector<std::string>& suffixes, bool recursive,
                                  const FolderMark* mark)
{
    std::vector<std::vector<std::string>> lists(suffixes.size());
    walkFilesWithSuffixesIgnoringCase(
        folder, suffixes, recursive,
        [&lists](std::size_t suffix, const std::string& path) { lists[suffix].push_back(path); },
        mark);
    return lists;
}

void walkFilesWithSuffixesIgnoringCase(
    const std::string& folder, const std::vector<std::string>& suffixes, bool recursive,
    const std::function<void(std::size_t suffix, const std::string& path)>& found,
    const FolderMark* mark)
{
    struct Visitor {
        const std::vector<std::string>& suffixes;
        const std::function<void(std::size_t, const std::string&)>& found;
        void file(const std::string& path)
        {
            for (std::size_t i = 0; i < suffixes.size(); ++i) {
                if (endsWithLongerIgnoringCase(path, suffixes[i])) {
                    found(i, path);
                    return;
                }
            }
        }
        void folder(const std::string&) {}
    } visit{suffixes, found};
    walkFrom(folder, recursive, visit, mark);
}

void listFiles(const std::string& folder, std::vector<std::string>& result, bool recursive)
{
    struct Visitor {
        std::vector<std::string>& result;
        void file(const std::string& path) { result.push_back(path); }
        void folder(const std::string&) {}
    } visit{result};
    walkFrom(folder, recursive, visit);
}

void removeTree(const std::string& folder)
{
    // Trailing separators would make lstat look through a link to the folder it names.
    std::string own = folder;
    while (own.size() > 1 && isSeparator(own.back()))
        own.pop_back();
    if (own.empty() || !isRealFolder(own))
        return;
    std::string path = withTrailingSeparator(folder);
    std::deque<FolderListing> levels;
    removeContents(path, levels, 0);
    removeFolder(own);
}

std::string parentFolder(const std::string& path)
{
    const std::size_t slash = path.find_last_of(pathSeparators);
    if (slash == std::string::npos)
        return ".";
    // The root keeps its separator: "/" on Linux, "C:\\" or "\\" on Windows.
    const std::size_t root = rootLength(path);
    if (slash < root)
        return path.substr(0, root);
    return path.substr(0, slash);
}
