#include "app/settings.h"
#include "app/settings_files.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::string userSettingsFolder()
{
    // Only an absolute XDG_CONFIG_HOME counts; a relative one is to be ignored.
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome && configHome[0] == '/')
        return std::string(configHome) + "/tarnwick";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.config/tarnwick";
    return std::string();
}

bool readSmallRegularFile(const std::string& path, std::size_t limit, std::string& text)
{
    // Opened without waiting, then looked at.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    const bool readable = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                          info.st_size <= static_cast<off_t>(limit);
    if (readable) {
        text.resize(limit + 1);
        std::size_t got = 0;
        for (;;) {
            const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
            if (got == text.size())
                break;
        }
        text.resize(got);
    }
    ::close(fd);
    return readable && text.size() <= limit;
}

bool flushToDisk(std::FILE* stream)
{
    return ::fsync(fileno(stream)) == 0;
}

namespace {

// path equals root or lies under it; both lexically normal and absolute.
bool isWithin(const std::string& path, const std::string& root)
{
    if (!path.starts_with(root))
        return false;
    return path.size() == root.size() || root.ends_with('/') || path[root.size()] == '/';
}

std::string lexicallyNormal(const std::string& path)
{
    std::string normal = std::filesystem::path(path).lexically_normal().string();
    if (normal.size() > 1 && normal.ends_with('/'))
        normal.pop_back();
    return normal;
}

} // namespace

bool isSystemFolder(const std::string& folder)
{
    if (folder.empty() || folder[0] != '/')
        return false;
    const std::string path = lexicallyNormal(folder);
    for (const char* root : {"/usr", "/opt", "/bin", "/sbin"}) {
        if (isWithin(path, root))
            return true;
    }
    // An install prefix of "/" puts the program in /bin, named above; it must not make every
    // folder a system one.
    const std::string prefix = lexicallyNormal(TARNWICK_INSTALL_PREFIX);
    return prefix.size() > 1 && prefix[0] == '/' && isWithin(path, prefix);
}

bool isPortableFolder(const std::string& folder)
{
    return !isSystemFolder(folder) && ::access(folder.c_str(), W_OK) == 0;
}
