#include "util/folder_entries.h"

#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

EntryKind kindOf(int dirFd, const dirent& entry)
{
    switch (entry.d_type) {
    case DT_REG:
        return EntryKind::file;
    case DT_DIR:
        return EntryKind::folder;
    case DT_UNKNOWN:
        break;
    default:
        return EntryKind::other; // links, pipes, sockets, devices
    }
    // Some file systems do not fill in d_type; only then does an entry cost a stat.
    struct stat info;
    if (::fstatat(dirFd, entry.d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return EntryKind::other;
    if (S_ISREG(info.st_mode))
        return EntryKind::file;
    return S_ISDIR(info.st_mode) ? EntryKind::folder : EntryKind::other;
}

} // namespace

// readdir promises no order, so "." and ".." are skipped by name, wherever they come.
bool readFolder(std::string& folder, bool followLink, FolderListing& listing)
{
    listing.names.clear();
    listing.entries.clear();
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
        listing.entries.push_back(FolderEntry{listing.names.size(), length, kindOf(fd, *entry)});
        listing.names.append(name, length);
    }
    ::closedir(dir);
    return true;
}

std::size_t rootLength(const std::string& path)
{
    return !path.empty() && path[0] == '/' ? 1 : 0;
}

bool isFolderOrLinkToOne(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isPlainFile(const std::string& path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool isRealFolder(const std::string& path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool makeFolder(const std::string& path)
{
    return ::mkdir(path.c_str(), 0777) == 0;
}

void removeFolder(const std::string& path)
{
    ::rmdir(path.c_str());
}

void removeEntry(const std::string& path)
{
    ::unlink(path.c_str());
}
