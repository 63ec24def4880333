// The program's own path, the current folder and file attributes.
#include "platform/posix/process/last_error.h"
#include "platform/win32/process.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace {

// Copies text into a caller's buffer the way the Win32 string getters do: the length without
// the zero when it fits, otherwise the size needed including the zero.
DWORD copyOut(const std::string& text, LPSTR buffer, DWORD size)
{
    if (!buffer || text.size() + 1 > size)
        return static_cast<DWORD>(text.size() + 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

} // namespace

// There is one module, the program itself: every module handle names it.
DWORD GetModuleFileNameA(HMODULE, LPSTR lpFilename, DWORD nSize)
{
    std::string path(4096, '\0');
    ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length < 0 || static_cast<std::size_t>(length) >= path.size()) {
        posix_process::setLastErrorFromErrno(length < 0 ? errno : ENAMETOOLONG);
        return 0;
    }
    path.resize(static_cast<std::size_t>(length));
    if (!lpFilename || nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (path.size() + 1 > nSize) {
        // Truncated and still terminated, as the call does since Windows Vista.
        std::memcpy(lpFilename, path.data(), nSize - 1);
        lpFilename[nSize - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    std::memcpy(lpFilename, path.c_str(), path.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(path.size());
}

BOOL SetCurrentDirectoryA(LPCSTR lpPathName)
{
    if (!lpPathName || !*lpPathName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (::chdir(lpPathName) != 0) {
        posix_process::setLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

DWORD GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer)
{
    std::string path(4096, '\0');
    if (!::getcwd(path.data(), path.size())) {
        posix_process::setLastErrorFromErrno(errno);
        return 0;
    }
    path.resize(std::strlen(path.c_str()));
    return copyOut(path, lpBuffer, nBufferLength);
}

DWORD GetFileAttributesA(LPCSTR lpFileName)
{
    if (!lpFileName || !*lpFileName) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    struct stat info;
    if (::stat(lpFileName, &info) != 0) {
        int error = errno;
        // A link whose target is missing still exists as a link.
        if (::lstat(lpFileName, &info) == 0 && S_ISLNK(info.st_mode))
            return FILE_ATTRIBUTE_REPARSE_POINT;
        posix_process::setLastErrorFromErrno(error);
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = 0;
    if (S_ISDIR(info.st_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (!S_ISDIR(info.st_mode) && !S_ISREG(info.st_mode))
        attributes |= FILE_ATTRIBUTE_DEVICE;
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        attributes |= FILE_ATTRIBUTE_READONLY;
    const char* slash = std::strrchr(lpFileName, '/');
    const char* name = slash ? slash + 1 : lpFileName;
    if (name[0] == '.' && std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0) {
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    }
    return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

BOOL RemoveDirectoryA(LPCSTR lpPathName)
{
    if (!lpPathName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    struct stat info;
    // RemoveDirectory refuses files; rmdir(2) would say ENOTDIR, which reads as a path error.
    if (::lstat(lpPathName, &info) == 0 && !S_ISDIR(info.st_mode)) {
        SetLastError(ERROR_DIRECTORY);
        return FALSE;
    }
    if (::rmdir(lpPathName) != 0) {
        posix_process::setLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}
