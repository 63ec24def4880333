#include "util/file_system.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "util/text_split.h"

namespace {

enum class Kind : std::uint8_t { file, folder, other };

struct Entry {
    std::size_t nameOffset;
    std::size_t nameLength;
    Kind kind;
};

// One folder's entries, read whole so that its descriptor is closed before the walk goes deeper:
// a deep tree then never runs out of descriptors.
struct Level {
    std::string names;
    std::vector<Entry> entries;
};

Kind kindOf(int dirFd, const dirent& entry)
{
    switch (entry.d_type) {
    case DT_REG:
        return Kind::file;
    case DT_DIR:
        return Kind::folder;
    case DT_UNKNOWN:
        break;
    default:
        return Kind::other; // links, pipes, sockets, devices
    }
    // Some file systems do not fill in d_type; only then does an entry cost a stat.
    struct stat info;
    if (::fstatat(dirFd, entry.d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return Kind::other;
    if (S_ISREG(info.st_mode))
        return Kind::file;
    return S_ISDIR(info.st_mode) ? Kind::folder : Kind::other;
}

// Reads the entries of folder (a path ending in "/") except "." and "..". readdir promises no
// order, so those two are skipped by name, wherever they come. Below the top (followLink false),
// a folder that has been swapped for a link since its parent was read is not entered.
bool readFolder(std::string& folder, bool followLink, Level& level)
{
    level.names.clear();
    level.entries.clear();
    int fd;
    if (followLink) {
        fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } else {
        // A trailing "/" would make the kernel follow a link despite O_NOFOLLOW.
        folder.pop_back();
        fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
        folder.push_back('/');
    }
    if (fd < 0)
        return false;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return false;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        const std::size_t length = std::strlen(name);
        level.entries.push_back(Entry{level.names.size(), length, kindOf(fd, *entry)});
        level.names.append(name, length);
    }
    ::closedir(dir);
    return true;
}

// Depth-first pre-order walk. path ends in "/" on entry and is restored on return; levels keeps
// one reusable entry buffer per depth.
template <typename Visitor>
void walk(std::string& path, std::deque<Level>& levels, std::size_t depth, bool recursive,
          Visitor& visit)
{
    if (levels.size() <= depth)
        levels.emplace_back();
    Level& level = levels[depth];
    if (!readFolder(path, depth == 0, level))
        return;
    const std::size_t baseLength = path.size();
    for (const Entry& entry : level.entries) {
        if (entry.kind == Kind::other)
            continue;
        path.resize(baseLength);
        path.append(level.names, entry.nameOffset, entry.nameLength);
        if (entry.kind == Kind::file) {
            visit.file(path);
        } else {
            visit.folder(path);
            if (recursive) {
                path += '/';
                walk(path, levels, depth + 1, recursive, visit);
            }
        }
    }
    path.resize(baseLength);
}

template <typename Visitor> void walkFrom(const std::string& folder, bool recursive, Visitor& visit)
{
    // An empty path names no folder (it would otherwise become "/", the whole file system).
    if (folder.empty())
        return;
    std::string path = withTrailingSeparator(folder);
    std::deque<Level> levels;
    walk(path, levels, 0, recursive, visit);
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

void removeContents(std::string& path, std::deque<Level>& levels, std::size_t depth)
{
    if (levels.size() <= depth)
        levels.emplace_back();
    Level& level = levels[depth];
    if (!readFolder(path, depth == 0, level))
        return;
    const std::size_t baseLength = path.size();
    for (const Entry& entry : level.entries) {
        path.resize(baseLength);
        path.append(level.names, entry.nameOffset, entry.nameLength);
        if (entry.kind == Kind::folder) {
            path += '/';
            removeContents(path, levels, depth + 1);
            path.pop_back();
            ::rmdir(path.c_str());
        } else {
            // A link goes, never what it points to.
            ::unlink(path.c_str());
        }
    }
    path.resize(baseLength);
}

} // namespace

bool directoryExists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isRegularFile(const std::string& path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string withTrailingSeparator(const std::string& path)
{
    if (!path.empty() && path.back() == '/')
        return path;
    return path + '/';
}

bool makeDirectories(const std::string& path)
{
    std::string unified = path;
    std::replace(unified.begin(), unified.end(), '\\', '/');
    std::vector<std::string> pieces;
    splitOnChar(unified, pieces, '/');
    // A Linux absolute path keeps its root, as a drive letter does elsewhere.
    std::string prefix = !path.empty() && path[0] == '/' ? "/" : "";
    for (const std::string& piece : pieces) {
        prefix += piece;
        prefix += '/';
        if (directoryExists(prefix))
            continue;
        // Someone else may have made it in the meantime, which is just as good.
        if (::mkdir(prefix.c_str(), 0777) != 0 && !directoryExists(prefix))
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
                                  const std::vector<std::string>& suffixes, bool recursive)
{
    struct Visitor {
        std::vector<std::vector<std::string>> lists;
        const std::vector<std::string>& suffixes;
        void file(const std::string& path)
        {
            for (std::size_t i = 0; i < suffixes.size(); ++i) {
                if (endsWithLongerIgnoringCase(path, suffixes[i])) {
                    lists[i].push_back(path);
                    return;
                }
            }
        }
        void folder(const std::string&) {}
    } visit{std::vector<std::vector<std::string>>(suffixes.size()), suffixes};
    walkFrom(folder, recursive, visit);
    return std::move(visit.lists);
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
    while (own.size() > 1 && own.back() == '/')
        own.pop_back();
    struct stat info;
    if (own.empty() || ::lstat(own.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return;
    std::string path = withTrailingSeparator(folder);
    std::deque<Level> levels;
    removeContents(path, levels, 0);
    ::rmdir(own.c_str());
}

std::string parentFolder(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}
