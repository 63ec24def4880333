#include "engine/work_folder.h"

#include "engine/interrupted_rewrite.h"
#include "engine/work_folder_names.h"
#include "util/file_system.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

std::string errorText(int error)
{
    std::string text = std::strerror(error);
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z')
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd(fd) {}
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd; }
    // Closes now and tells whether that worked (a late write error shows up here).
    bool close()
    {
        const int closing = fd;
        fd = -1;
        return ::close(closing) == 0;
    }

private:
    int fd;
};

bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
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

// Copies everything readable from in to out; false with errno set on failure.
bool copyDescriptor(int in, int out)
{
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            return true;
        if (!writeAll(out, buffer.data(), static_cast<std::size_t>(got)))
            return false;
    }
}

bool syncFolder(const std::string& folder)
{
    Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.get() >= 0 && ::fsync(fd.get()) == 0;
}

// Ours beyond doubt: named like ours, a real folder owned by us, its run gone, and holding
// nothing but what a step writes: files named "work..." (and folders so named that a tool made).
bool isLeftover(const std::string& path, const std::string& name)
{
    const pid_t pid = static_cast<pid_t>(workFolderOwner(name));
    if (pid <= 0 || pid == ::getpid())
        return false;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid())
        return false;
    if (::kill(pid, 0) == 0 || errno != ESRCH)
        return false;
    DIR* dir = ::opendir(path.c_str());
    if (!dir)
        return false;
    bool onlyOurs = true;
    while (dirent* entry = ::readdir(dir)) {
        const std::string child = entry->d_name;
        if (child == "." || child == "..")
            continue;
        struct stat childInfo {};
        if (child.rfind("work", 0) != 0 || ::lstat((path + "/" + child).c_str(), &childInfo) != 0 ||
            !(S_ISREG(childInfo.st_mode) || S_ISDIR(childInfo.st_mode)))
            onlyOurs = false;
    }
    ::closedir(dir);
    return onlyOurs;
}

std::string identityOf(const struct stat& info)
{
    return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

ChunkReader readerOf(int fd)
{
    return [fd](char* buffer, std::size_t size) -> long long {
        for (;;) {
            const ssize_t got = ::read(fd, buffer, size);
            if (got >= 0 || errno != EINTR)
                return got;
        }
    };
}

// Before a rewrite in place: a flushed copy of the file as it is (target, open for reading) and
// then "work-rewrite" in the result's folder, naming the file, the result and which file it is;
// both flushed with their folder before the rewrite begins.
std::string writeRewriteNote(int target, const std::string& path, const std::string& result)
{
    struct stat info {};
    if (::fstat(target, &info) != 0)
        return errorText(errno);
    const std::string folder = parentFolder(result);
    Descriptor original(::open((folder + "/" + rewriteOriginalName).c_str(),
                               O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (original.get() < 0 || ::lseek(target, 0, SEEK_SET) != 0 ||
        !copyDescriptor(target, original.get()) || ::fsync(original.get()) != 0 ||
        !original.close())
        return errorText(errno);
    const std::string text =
        rewriteNoteText({lastPathPart(path), lastPathPart(result), identityOf(info)});
    Descriptor note(::open((folder + "/" + rewriteNoteName).c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (note.get() < 0 || !writeAll(note.get(), text.data(), text.size()) ||
        ::fsync(note.get()) != 0 || !note.close() || !syncFolder(folder))
        return errorText(errno);
    return std::string();
}

// Finishes a rewrite a killed run left half done: the file named in the leftover folder's note
// gets the whole, already checked result it was being given, but only while it is still that
// file holding what the rewrite left. Returns why a file was left alone, or an empty text.
std::string finishInterruptedRewrite(const std::string& leftover, std::string& path)
{
    std::string text;
    {
        Descriptor note(
            ::open((leftover + "/" + rewriteNoteName).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (note.get() < 0)
            return std::string();
        char buffer[4096];
        const ssize_t got = ::read(note.get(), buffer, sizeof buffer);
        if (got <= 0)
            return std::string();
        text.assign(buffer, static_cast<std::size_t>(got));
    }
    RewriteNote note;
    if (!readRewriteNote(text, note))
        return std::string();
    path = parentFolder(leftover) + "/" + note.target;
    if (note.identity.empty())
        return unprovenRewrite;
    Descriptor out(::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (out.get() < 0)
        return errno == ENOENT ? std::string() : changedSinceRewrite;
    Descriptor in(
        ::open((leftover + "/" + note.result).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    Descriptor original(
        ::open((leftover + "/" + rewriteOriginalName).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat written {};
    struct stat existing {};
    if (in.get() < 0 || original.get() < 0 || ::fstat(in.get(), &written) != 0 ||
        written.st_size <= 0)
        return unprovenRewrite;
    if (::fstat(out.get(), &existing) != 0 || !S_ISREG(existing.st_mode) ||
        identityOf(existing) != note.identity ||
        !isInterruptedRewrite(readerOf(out.get()), readerOf(in.get()), readerOf(original.get())))
        return changedSinceRewrite;
    if (::lseek(in.get(), 0, SEEK_SET) == 0 && ::lseek(out.get(), 0, SEEK_SET) == 0 &&
        copyDescriptor(in.get(), out.get()) && ::ftruncate(out.get(), written.st_size) == 0)
        ::fsync(out.get());
    return std::string();
}

// The names of the original's extended attributes, each ending in a NUL byte; false when they
// cannot be read (a file system without them has none).
bool attributeNames(const std::string& path, std::vector<char>& names)
{
    for (;;) {
        const ssize_t size = ::llistxattr(path.c_str(), nullptr, 0);
        if (size < 0)
            return errno == ENOTSUP;
        names.resize(static_cast<std::size_t>(size));
        const ssize_t got = ::llistxattr(path.c_str(), names.data(), names.size());
        if (got >= 0) {
            names.resize(static_cast<std::size_t>(got));
            return true;
        }
        if (errno != ERANGE)
            return false;
    }
}

// Gives the file open as fd the extended attributes of path: its access control list above all,
// which the rename would otherwise drop and so widen who may read the file. Returns an empty
// text, or why one that matters (the ACL, a user.* attribute) could not be kept; security.* and
// the others are kept where the system allows.
std::string copyAttributes(const std::string& path, int fd)
{
    std::vector<char> names;
    if (!attributeNames(path, names))
        return "its extended attributes could not be read (" + errorText(errno) + ")";
    std::vector<char> value;
    for (std::size_t at = 0; at < names.size();) {
        const std::string name(names.data() + at);
        at += name.size() + 1;
        const bool needed = name == "system.posix_acl_access" || name.rfind("user.", 0) == 0;
        ssize_t size = ::lgetxattr(path.c_str(), name.c_str(), nullptr, 0);
        if (size >= 0) {
            value.resize(static_cast<std::size_t>(size));
            size = ::lgetxattr(path.c_str(), name.c_str(), value.data(), value.size());
        }
        if (size >= 0 &&
            ::fsetxattr(fd, name.c_str(), value.data(), static_cast<std::size_t>(size), 0) == 0)
            continue;
        if (needed)
            return (name.rfind("system.", 0) == 0 ? "its access control list"
                                                  : "its extended attribute " + name) +
                   " could not be kept (" + errorText(errno) + ")";
    }
    return std::string();
}

// Folders a tool makes are shallow; a deeper tree is left rather than risking the stack.
constexpr int deepestFolder = 32;

// Removes everything in the folder open as fd (which it closes), never following a link: a link
// is removed itself, and a folder is entered only through its own descriptor.
void emptyFolder(int fd, int depth)
{
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(dir)) {
        const std::string child = entry->d_name;
        if (child != "." && child != "..")
            names.push_back(child);
    }
    for (const std::string& child : names) {
        if (::unlinkat(::dirfd(dir), child.c_str(), 0) == 0 || errno != EISDIR ||
            depth >= deepestFolder)
            continue;
        const int below =
            ::openat(::dirfd(dir), child.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (below >= 0)
            emptyFolder(below, depth + 1);
        ::unlinkat(::dirfd(dir), child.c_str(), AT_REMOVEDIR);
    }
    ::closedir(dir);
}

// Removes the folder path with everything a step or its tool left in it.
void removeFolderOfFiles(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0)
        emptyFolder(fd, 0);
    ::rmdir(path.c_str());
}

} // namespace

WorkFolder::WorkFolder(const std::string& path) : suffix(workFileSuffix(path))
{
    std::string name =
        parentFolder(path) + "/" + workFolderPrefix + std::to_string(::getpid()) + "-XXXXXX";
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()))
        folder = buffer.data();
    else
        failure = errorText(errno);
}

WorkFolder::~WorkFolder()
{
    if (!folder.empty())
        removeFolderOfFiles(folder);
}

std::string copyFileExclusive(const std::string& from, const std::string& to)
{
    Descriptor in(::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (in.get() < 0)
        return errorText(errno);
    struct stat info {};
    if (::fstat(in.get(), &info) != 0)
        return errorText(errno);
    if (!S_ISREG(info.st_mode))
        return "it is not a regular file";
    Descriptor out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (out.get() < 0)
        return errorText(errno);
    if (!copyDescriptor(in.get(), out.get()))
        return errorText(errno);
    if (!out.close())
        return errorText(errno);
    return std::string();
}

std::string replaceFile(const std::string& path, const std::string& result, bool keepDates)
{
    struct stat original {};
    if (::lstat(path.c_str(), &original) != 0)
        return errorText(errno);
    if (!S_ISREG(original.st_mode))
        return "it is no longer a regular file";
    Descriptor fd(::open(result.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0)
        return errorText(errno);
    // Owner first: changing it clears the set-id bits that the mode then puts back.
    if ((original.st_uid != ::geteuid() || original.st_gid != ::getegid()) &&
        ::fchown(fd.get(), original.st_uid, original.st_gid) != 0)
        return "its owner could not be kept (" + errorText(errno) + ")";
    if (::fchmod(fd.get(), original.st_mode & 07777) != 0)
        return errorText(errno);
    // After the mode: the list's mask is what the group bits mean with an ACL.
    if (std::string error = copyAttributes(path, fd.get()); !error.empty())
        return error;
    const timespec times[2] = {original.st_atim, original.st_mtim};
    if (keepDates && ::futimens(fd.get(), times) != 0)
        return errorText(errno);
    if (::fsync(fd.get()) != 0)
        return errorText(errno);

    if (original.st_nlink > 1) {
        // A rename would cut the file off from its other names, so its content is rewritten in
        // place from the flushed result. A crash during that write would leave the file half
        // written, so a note in the work folder names the file first, with a copy of what it
        // held: the next run finishes the rewrite from the result before it removes the folder,
        // if the file is still the one the note names.
        Descriptor target(::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
        if (target.get() < 0)
            return errorText(errno);
        if (std::string error = writeRewriteNote(target.get(), path, result); !error.empty())
            return error;
        if (::lseek(target.get(), 0, SEEK_SET) != 0)
            return errorText(errno);
        if (::lseek(fd.get(), 0, SEEK_SET) != 0 || !copyDescriptor(fd.get(), target.get()))
            return errorText(errno);
        struct stat written {};
        if (::fstat(fd.get(), &written) != 0 || ::ftruncate(target.get(), written.st_size) != 0)
            return errorText(errno);
        if (keepDates && ::futimens(target.get(), times) != 0)
            return errorText(errno);
        if (::fsync(target.get()) != 0 || !target.close())
            return errorText(errno);
        return std::string();
    }

    if (!fd.close())
        return errorText(errno);
    if (::rename(result.c_str(), path.c_str()) != 0)
        return errorText(errno);
    syncFolder(parentFolder(path));
    return std::string();
}

std::vector<UnfinishedRewrite> removeLeftoverWorkFolders(const std::string& folder, bool recursive)
{
    std::vector<UnfinishedRewrite> unfinished;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return unfinished;
    std::vector<std::string> below;
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string path = (folder == "/" ? "" : folder) + "/" + name;
        if (isWorkFolderName(name)) {
            if (isLeftover(path, name)) {
                std::string target;
                if (std::string why = finishInterruptedRewrite(path, target); !why.empty())
                    unfinished.push_back({target, why});
                removeFolderOfFiles(path);
            }
            continue;
        }
        if (!recursive)
            continue;
        // Links to folders are not followed, as in every walk.
        const bool folderEntry =
            entry->d_type == DT_DIR || (entry->d_type == DT_UNKNOWN && [&] {
                struct stat info {};
                return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
            }());
        if (folderEntry)
            below.push_back(path);
    }
    ::closedir(dir);
    for (const std::string& path : below) {
        std::vector<UnfinishedRewrite> deeper = removeLeftoverWorkFolders(path, true);
        unfinished.insert(unfinished.end(), deeper.begin(), deeper.end());
    }
    return unfinished;
}
