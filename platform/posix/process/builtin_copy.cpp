#include "platform/posix/process/builtin_copy.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <vector>

namespace posix_process {
namespace {

bool isSwitch(const CmdArgument& argument)
{
    const std::string& t = argument.text;
    if (argument.quoted || t.size() < 2 || t.size() > 3 || t[0] != '/')
        return false;
    for (std::size_t i = 1; i < t.size(); ++i) {
        char c = t[i];
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && !(c == '-' && i == 1 && t.size() == 3))
            return false;
    }
    return true;
}

char switchLetter(const CmdArgument& argument)
{
    char c = argument.text.back();
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string resolve(const std::string& path, const std::string& workingFolder)
{
    if (path.empty() || path.front() == '/' || workingFolder.empty())
        return path;
    return workingFolder.back() == '/' ? workingFolder + path : workingFolder + "/" + path;
}

std::string join(const std::string& folder, const std::string& name)
{
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string baseName(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Copies the data of one regular file, then gives the copy the source's mode and times.
bool copyFileData(const std::string& source, const struct stat& info,
                  const std::string& destination)
{
    int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    // Never write through a link at the destination: it could point at anything, the
    // original included. The link is replaced by the copy.
    struct stat existing;
    if (::lstat(destination.c_str(), &existing) == 0 && S_ISLNK(existing.st_mode) &&
        ::unlink(destination.c_str()) != 0) {
        ::close(in);
        return false;
    }
    int out =
        ::open(destination.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (out < 0) {
        ::close(in);
        return false;
    }
    bool ok = true;
    std::vector<char> buffer(256 * 1024);
    while (true) {
        ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        if (got == 0)
            break;
        if (!writeAll(out, buffer.data(), static_cast<std::size_t>(got))) {
            ok = false;
            break;
        }
    }
    ::close(in);
    if (ok && ::fchmod(out, info.st_mode & 07777) != 0)
        ok = false;
    timespec times[2] = {info.st_atim, info.st_mtim};
    if (ok && ::futimens(out, times) != 0)
        ok = false;
    if (::close(out) != 0)
        ok = false;
    return ok;
}

bool copySymlink(const std::string& source, const struct stat& info, const std::string& destination)
{
    std::vector<char> target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
    ssize_t length;
    while (true) {
        length = ::readlink(source.c_str(), target.data(), target.size());
        if (length < 0)
            return false;
        if (static_cast<std::size_t>(length) < target.size())
            break;
        target.resize(target.size() * 2);
    }
    std::string text(target.data(), static_cast<std::size_t>(length));
    if (::symlink(text.c_str(), destination.c_str()) != 0) {
        struct stat existing;
        if (errno != EEXIST || ::lstat(destination.c_str(), &existing) != 0 ||
            S_ISDIR(existing.st_mode))
            return false;
        if (::unlink(destination.c_str()) != 0 || ::symlink(text.c_str(), destination.c_str()) != 0)
            return false;
    }
    timespec times[2] = {info.st_atim, info.st_mtim};
    // Some file systems cannot set a link's own times; the link itself is what matters.
    ::utimensat(AT_FDCWD, destination.c_str(), times, AT_SYMLINK_NOFOLLOW);
    return true;
}

struct XcopyOptions {
    bool subfolders = false;
    bool emptyFolders = false;
    bool hidden = false;
};

// Copies the entries of one folder; returns how many entries the copy holds, and counts
// every entry that could not be copied in *failures.
std::size_t copyFolder(const std::string& source, const std::string& destination,
                       const XcopyOptions& options, std::size_t* failures)
{
    DIR* dir = ::opendir(source.c_str());
    if (!dir) {
        ++*failures;
        return 0;
    }
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (!options.hidden && name.front() == '.')
            continue;
        names.push_back(std::move(name));
    }
    ::closedir(dir);

    std::size_t copied = 0;
    for (const std::string& name : names) {
        std::string from = join(source, name);
        std::string to = join(destination, name);
        struct stat info;
        if (::lstat(from.c_str(), &info) != 0) {
            ++*failures;
            continue;
        }
        if (S_ISLNK(info.st_mode)) {
            if (copySymlink(from, info, to)) {
                ++copied;
            } else {
                ++*failures;
            }
        } else if (S_ISREG(info.st_mode)) {
            if (copyFileData(from, info, to)) {
                ++copied;
            } else {
                ++*failures;
            }
        } else if (S_ISDIR(info.st_mode) && options.subfolders) {
            struct stat existing;
            // A link in the way is replaced, never followed out of the destination tree.
            if (::lstat(to.c_str(), &existing) == 0 && S_ISLNK(existing.st_mode))
                ::unlink(to.c_str());
            bool created = ::mkdir(to.c_str(), 0700) == 0;
            if (!created && (errno != EEXIST || ::lstat(to.c_str(), &existing) != 0 ||
                             !S_ISDIR(existing.st_mode))) {
                ++*failures;
                continue;
            }
            std::size_t inside = copyFolder(from, to, options, failures);
            if (inside == 0 && !options.emptyFolders && created) {
                ::rmdir(to.c_str());
                continue;
            }
            // Mode and times last: filling the folder changed its times, and a read-only mode
            // would have kept us from filling it.
            timespec times[2] = {info.st_atim, info.st_mtim};
            if (::chmod(to.c_str(), info.st_mode & 07777) != 0 ||
                ::utimensat(AT_FDCWD, to.c_str(), times, 0) != 0) {
                ++*failures;
            }
            ++copied;
        }
    }
    return copied;
}

} // namespace

DWORD runCopyCommand(const std::vector<CmdArgument>& arguments, const std::string& workingFolder)
{
    std::vector<std::string> paths;
    for (const CmdArgument& argument : arguments) {
        if (!isSwitch(argument))
            paths.push_back(resolve(argument.text, workingFolder));
    }
    if (paths.empty() || paths.size() > 2)
        return 1;
    const std::string& source = paths[0];
    std::string destination =
        paths.size() == 2 ? paths[1] : (workingFolder.empty() ? "." : workingFolder);

    struct stat info;
    if (::stat(source.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return 1;
    struct stat target;
    if (::stat(destination.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) {
        destination = join(destination, baseName(source));
    }
    if (::stat(destination.c_str(), &target) == 0 && target.st_dev == info.st_dev &&
        target.st_ino == info.st_ino) {
        return 1; // a file cannot be copied onto itself
    }
    return copyFileData(source, info, destination) ? 0 : 1;
}

DWORD runXcopyCommand(const std::vector<CmdArgument>& arguments, const std::string& workingFolder)
{
    XcopyOptions options;
    std::vector<std::string> paths;
    for (const CmdArgument& argument : arguments) {
        if (!isSwitch(argument)) {
            paths.push_back(resolve(argument.text, workingFolder));
            continue;
        }
        switch (switchLetter(argument)) {
        case 'E':
            options.subfolders = options.emptyFolders = true;
            break;
        case 'S':
            options.subfolders = true;
            break;
        case 'H':
            options.hidden = true;
            break;
        default:
            break; // /I, /Y, /Q, /K, /C, /R: nothing to do here
        }
    }
    if (paths.empty() || paths.size() > 2)
        return 4;
    const std::string& source = paths[0];
    std::string destination =
        paths.size() == 2 ? paths[1] : (workingFolder.empty() ? "." : workingFolder);

    struct stat info;
    if (::stat(source.c_str(), &info) != 0)
        return 4;
    if (S_ISREG(info.st_mode)) {
        struct stat target;
        if (::stat(destination.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) {
            destination = join(destination, baseName(source));
        }
        return copyFileData(source, info, destination) ? 0 : 5;
    }
    if (!S_ISDIR(info.st_mode))
        return 4;

    // A destination inside the source would copy itself without end.
    std::error_code error;
    std::filesystem::path from =
        std::filesystem::weakly_canonical(withoutTrailingSlashes(source), error);
    if (error)
        return 4;
    std::filesystem::path to =
        std::filesystem::weakly_canonical(withoutTrailingSlashes(destination), error);
    if (error)
        return 4;
    auto [fromEnd, toAt] = std::mismatch(from.begin(), from.end(), to.begin(), to.end());
    if (fromEnd == from.end())
        return 4;

    std::error_code created;
    std::filesystem::create_directories(destination, created);
    struct stat target;
    if (::stat(destination.c_str(), &target) != 0 || !S_ISDIR(target.st_mode))
        return 4;

    std::size_t failures = 0;
    copyFolder(source, destination, options, &failures);
    return failures == 0 ? 0 : 5;
}

} // namespace posix_process
