#include "engine/file_queries.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

#include <io.h>
#include <windows.h>

#include "util/file_system.h"

namespace {

DWORD attributesOf(const std::string& path)
{
    return GetFileAttributesA(path.c_str());
}

// A handle on path itself (a link is not followed), for reading or only for its facts.
HANDLE openOwn(const std::string& path, DWORD access)
{
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING,
                       FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

} // namespace

std::string resolvedPath(const std::string& path)
{
    HANDLE handle =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return std::string();
    char buffer[MAX_PATH * 4];
    const DWORD length = GetFinalPathNameByHandleA(handle, buffer, sizeof buffer,
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    CloseHandle(handle);
    if (length == 0 || length >= sizeof buffer)
        return std::string();
    std::string resolved(buffer, length);
    // The long-path prefix says nothing to the rest of the program.
    if (resolved.rfind("\\\\?\\UNC\\", 0) == 0)
        return "\\" + resolved.substr(7);
    if (resolved.rfind("\\\\?\\", 0) == 0)
        return resolved.substr(4);
    return resolved;
}

bool isLink(const std::string& path)
{
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool isRegularFileBehindLinks(const std::string& path)
{
    const std::string target = isLink(path) ? resolvedPath(path) : path;
    const DWORD attributes = target.empty() ? INVALID_FILE_ATTRIBUTES : attributesOf(target);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
}

bool isReadOnlyFile(const std::string& path)
{
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

std::string whyNotPrivate(const std::string&)
{
    return std::string();
}

bool isFileSystemRoot(const std::string& resolved)
{
    // "C:\", "C:" or "\\server\share\".
    std::string own = resolved;
    while (!own.empty() && isSeparator(own.back()))
        own.pop_back();
    if (own.size() == 2 && own[1] == ':')
        return true;
    if (own.rfind("\\\\", 0) == 0)
        return own.find_first_of(pathSeparators, own.find_first_of(pathSeparators, 2) + 1) ==
               std::string::npos;
    return own.empty();
}

NewFolder makeNewFolder(const std::string& path, bool)
{
    // A new folder inherits the access rules of the one above it.
    if (CreateDirectoryA(path.c_str(), nullptr))
        return NewFolder::made;
    if (GetLastError() != ERROR_ALREADY_EXISTS)
        return NewFolder::failed;
    const DWORD attributes = attributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return NewFolder::failed;
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
               ? NewFolder::nameTaken
               : NewFolder::failed;
}

void removeEmptyFolder(const std::string& path)
{
    RemoveDirectoryA(path.c_str());
}

std::string userCacheFolder()
{
    const char* local = std::getenv("LOCALAPPDATA");
    return local && *local ? std::string(local) : std::string();
}

std::string fileIdentity(const std::string& path)
{
    if (path.empty())
        return "-";
    HANDLE handle =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return "-";
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    if (!known)
        return "-";
    const auto wide = [](DWORD high, DWORD low) {
        return std::to_string((std::uint64_t{high} << 32) | low);
    };
    // The file index as well: an update or a retargeted link gives another file, even one whose
    // size and times happen to match.
    return std::to_string(info.dwVolumeSerialNumber) + ":" +
           wide(info.nFileIndexHigh, info.nFileIndexLow) + " " +
           wide(info.nFileSizeHigh, info.nFileSizeLow) + " " +
           wide(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime) + " " +
           wide(info.ftCreationTime.dwHighDateTime, info.ftCreationTime.dwLowDateTime);
}

namespace {

std::int64_t timeValue(const FILETIME& time)
{
    return static_cast<std::int64_t>((std::uint64_t{time.dwHighDateTime} << 32) |
                                     time.dwLowDateTime);
}

FILETIME fileTimeOf(std::int64_t value)
{
    const auto bits = static_cast<std::uint64_t>(value);
    return FILETIME{static_cast<DWORD>(bits), static_cast<DWORD>(bits >> 32)};
}

} // namespace

bool fileTimes(const std::string& path, FileTimes& found)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.empty() || !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return false;
    found = {timeValue(data.ftLastAccessTime), timeValue(data.ftLastWriteTime)};
    return true;
}

bool setFileTimes(const std::string& path, const FileTimes& times)
{
    HANDLE handle = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const FILETIME accessed = fileTimeOf(times.accessed);
    const FILETIME modified = fileTimeOf(times.modified);
    const bool set = SetFileTime(handle, nullptr, &accessed, &modified) != 0;
    CloseHandle(handle);
    return set;
}

bool fileNumber(const std::string& path, FileNumber& found)
{
    if (path.empty())
        return false;
    HANDLE handle =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    if (!known)
        return false;
    found = {info.dwVolumeSerialNumber,
             (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow, info.nNumberOfLinks};
    return true;
}

bool readRegularFile(const std::string& path,
                     const std::function<bool(const char* data, std::size_t size)>& consume)
{
    HANDLE handle = openOwn(path, GENERIC_READ);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    struct Closer {
        HANDLE handle;
        ~Closer() { CloseHandle(handle); }
    } closer{handle};
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes &
         (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) ||
        GetFileType(handle) != FILE_TYPE_DISK)
        return false;
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(handle, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
            return false;
        if (got == 0)
            return true;
        if (!consume(buffer.data(), got))
            return false;
    }
}

bool syncStreamToDisk(std::FILE* stream)
{
    if (std::fflush(stream) != 0)
        return false;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    return handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle);
}
