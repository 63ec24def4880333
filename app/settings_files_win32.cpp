#include "app/settings.h"
#include "app/settings_files.h"

#include <cerrno>
#include <cstdlib>

#include <io.h>
#include <windows.h>

#include <shlobj.h>

std::string userSettingsFolder()
{
    const char* appData = std::getenv("APPDATA");
    return appData && *appData ? std::string(appData) + "\\tarnwick" : std::string();
}

namespace {

// Windows paths compare without regard to case or the kind of separator.
std::string comparable(std::string path)
{
    for (char& c : path) {
        if (c == '/')
            c = '\\';
        else if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    while (path.size() > 3 && path.ends_with('\\'))
        path.pop_back();
    return path;
}

bool isWithin(const std::string& path, const std::string& root)
{
    return !root.empty() && path.starts_with(root) &&
           (path.size() == root.size() || path[root.size()] == '\\');
}

} // namespace

bool isSystemFolder(const std::string& folder)
{
    const std::string path = comparable(folder);
    for (const int known : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_WINDOWS}) {
        char root[MAX_PATH] = {};
        if (SUCCEEDED(SHGetFolderPathA(nullptr, known, nullptr, SHGFP_TYPE_CURRENT, root)) &&
            isWithin(path, comparable(root)))
            return true;
    }
    return false;
}

bool readSmallRegularFile(const std::string& path, std::size_t limit, std::string& text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool readable = GetFileType(file) == FILE_TYPE_DISK &&
                          GetFileInformationByHandle(file, &info) &&
                          !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                          info.nFileSizeHigh == 0 && info.nFileSizeLow <= limit;
    if (readable) {
        text.resize(limit + 1);
        std::size_t got = 0;
        DWORD n = 0;
        while (
            got < text.size() &&
            ReadFile(file, text.data() + got, static_cast<DWORD>(text.size() - got), &n, nullptr) &&
            n > 0)
            got += n;
        text.resize(got);
    }
    CloseHandle(file);
    return readable && text.size() <= limit;
}

bool flushToDisk(std::FILE* stream)
{
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    if (handle == INVALID_HANDLE_VALUE || !FlushFileBuffers(handle)) {
        errno = EIO;
        return false;
    }
    return true;
}

bool isPortableFolder(const std::string& folder)
{
    if (isSystemFolder(folder))
        return false;
    // Read-only attributes say nothing about folders on Windows: only a file made there tells.
    const std::string probe = folder + "\\.tarnwick-write-test";
    HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_EXISTS;
    CloseHandle(file);
    return true;
}
