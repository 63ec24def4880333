#include "engine/file_queries.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::string resolvedPath(const std::string& path)
{
    char buffer[PATH_MAX];
    if (!::realpath(path.c_str(), buffer))
        return std::string();
    return buffer;
}

bool isLink(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

bool isRegularFileBehindLinks(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool isReadOnlyFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

std::string whyNotPrivate(const std::string& folder)
{
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return folder + " is not a folder";
    if (info.st_uid != ::geteuid())
        return folder + " belongs to another user";
    if (info.st_mode & (S_IWGRP | S_IWOTH))
        return folder + " is writable by others";
    return std::string();
}

bool isFileSystemRoot(const std::string& resolved)
{
    return resolved == "/";
}

NewFolder makeNewFolder(const std::string& path, bool privateToUser)
{
    if (::mkdir(path.c_str(), privateToUser ? 0700 : 0777) == 0)
        return NewFolder::made;
    struct stat info {};
    if (errno != EEXIST || ::lstat(path.c_str(), &info) != 0)
        return NewFolder::failed;
    return S_ISDIR(info.st_mode) || S_ISLNK(info.st_mode) ? NewFolder::nameTaken
                                                          : NewFolder::failed;
}

void removeEmptyFolder(const std::string& path)
{
    ::rmdir(path.c_str());
}

std::string userCacheFolder()
{
    const char* home = std::getenv("HOME");
    return home && *home ? std::string(home) + "/.cache" : std::string();
}

std::string fileIdentity(const std::string& path)
{
    struct stat status;
    if (path.empty() || ::stat(path.c_str(), &status) != 0)
        return "-";
    // The inode as well: an update or a retargeted link gives another file, even one whose size
    // and times happen to match.
    return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino) + " " +
           std::to_string(status.st_size) + " " + std::to_string(status.st_mtim.tv_sec) + "." +
           std::to_string(status.st_mtim.tv_nsec) + " " + std::to_string(status.st_ctim.tv_sec) +
           "." + std::to_string(status.st_ctim.tv_nsec);
}

bool fileNumber(const std::string& path, FileNumber& found)
{
    struct stat status;
    if (path.empty() || ::stat(path.c_str(), &status) != 0)
        return false;
    found = {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
             static_cast<std::uint64_t>(status.st_nlink)};
    return true;
}

namespace {

std::int64_t nanoseconds(const timespec& time)
{
    return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

timespec timeOf(std::int64_t nanoseconds)
{
    std::int64_t seconds = nanoseconds / 1000000000;
    std::int64_t rest = nanoseconds % 1000000000;
    if (rest < 0) {
        rest += 1000000000;
        --seconds;
    }
    return timespec{static_cast<time_t>(seconds), static_cast<long>(rest)};
}

} // namespace

bool fileTimes(const std::string& path, FileTimes& found)
{
    struct stat status;
    if (path.empty() || ::stat(path.c_str(), &status) != 0)
        return false;
    found = {nanoseconds(status.st_atim), nanoseconds(status.st_mtim)};
    return true;
}

bool setFileTimes(const std::string& path, const FileTimes& times)
{
    const timespec both[2] = {timeOf(times.accessed), timeOf(times.modified)};
    return ::utimensat(AT_FDCWD, path.c_str(), both, 0) == 0;
}

bool readRegularFile(const std::string& path,
                     const std::function<bool(const char* data, std::size_t size)>& consume)
{
    // O_NONBLOCK so that opening a pipe planted under an image's name cannot hang; fstat then
    // turns it (and every other non-file) away.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        if (!consume(buffer.data(), static_cast<std::size_t>(got)))
            return false;
    }
}

bool syncStreamToDisk(std::FILE* stream)
{
    return std::fflush(stream) == 0 && ::fdatasync(::fileno(stream)) == 0;
}
