// Work folders on Windows: the same contract as on Linux with the system's own calls. A folder
// gets a fresh random name, results are flushed before they replace the file, and the
// replacement keeps the original's attributes and security.
#include "engine/work_folder.h"

#include <cstring>
#include <random>
#include <vector>

#include <windows.h>

#include "engine/interrupted_rewrite.h"
#include "engine/work_folder_names.h"
#include "util/file_system.h"

namespace {

constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::string errorText(DWORD error)
{
    char* message = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&message), 0, nullptr);
    std::string text = length ? std::string(message, length) : "error " + std::to_string(error);
    LocalFree(message);
    while (!text.empty() &&
           (text.back() == '\n' || text.back() == '\r' || text.back() == '.' || text.back() == ' '))
        text.pop_back();
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z')
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

std::string lastErrorText()
{
    return errorText(GetLastError());
}

class Handle {
public:
    explicit Handle(HANDLE handle) : handle(handle) {}
    ~Handle()
    {
        if (ok())
            CloseHandle(handle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE get() const { return handle; }
    bool ok() const { return handle != INVALID_HANDLE_VALUE; }
    bool close()
    {
        const HANDLE closing = handle;
        handle = INVALID_HANDLE_VALUE;
        return CloseHandle(closing) != 0;
    }

private:
    HANDLE handle;
};

// path itself, never through a link.
HANDLE openOwn(const std::string& path, DWORD access, DWORD disposition)
{
    return CreateFileA(path.c_str(), access, shareAll, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

bool isPlainFile(HANDLE handle, BY_HANDLE_FILE_INFORMATION& info)
{
    return GetFileInformationByHandle(handle, &info) &&
           !(info.dwFileAttributes &
             (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) &&
           GetFileType(handle) == FILE_TYPE_DISK;
}

bool writeAll(HANDLE out, const char* data, std::size_t size)
{
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(out, data, static_cast<DWORD>(size), &written, nullptr))
            return false;
        data += written;
        size -= written;
    }
    return true;
}

bool copyHandle(HANDLE in, HANDLE out)
{
    std::vector<char> buffer(1 << 16);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(in, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
            return false;
        if (got == 0)
            return true;
        if (!writeAll(out, buffer.data(), got))
            return false;
    }
}

bool processIsGone(DWORD pid)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process)
        return GetLastError() == ERROR_INVALID_PARAMETER; // no such process
    const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

// Every entry of folder but "." and "..", with its attributes.
std::vector<WIN32_FIND_DATAA> entriesOf(const std::string& folder)
{
    std::vector<WIN32_FIND_DATAA> entries;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return entries;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
            entries.push_back(found);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return entries;
}

// Ours beyond doubt: named like ours, a real folder, its run gone, and holding nothing but the
// regular files a step writes.
bool isLeftover(const std::string& path, const std::string& name)
{
    const long pid = workFolderOwner(name);
    if (pid <= 0 || static_cast<DWORD>(pid) == GetCurrentProcessId())
        return false;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    if (!processIsGone(static_cast<DWORD>(pid)))
        return false;
    for (const WIN32_FIND_DATAA& entry : entriesOf(path)) {
        if (std::strncmp(entry.cFileName, "work", 4) != 0 ||
            (entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
            return false;
    }
    return true;
}

std::string identityOf(const BY_HANDLE_FILE_INFORMATION& info)
{
    const unsigned long long index =
        (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(index);
}

ChunkReader readerOf(HANDLE handle)
{
    return [handle](char* buffer, std::size_t size) -> long long {
        DWORD got = 0;
        if (!ReadFile(handle, buffer, static_cast<DWORD>(size), &got, nullptr))
            return -1;
        return got;
    };
}

bool rewind(HANDLE handle)
{
    return SetFilePointer(handle, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
}

// Before a rewrite in place: a flushed copy of the file as it is (target, open for reading) and
// then "work-rewrite" in the result's folder, naming the file, the result and which file it is.
std::string writeRewriteNote(HANDLE target, const std::string& path, const std::string& result)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(target, &info))
        return lastErrorText();
    const std::string folder = parentFolder(result);
    Handle original(openOwn(folder + "\\" + rewriteOriginalName, GENERIC_WRITE, CREATE_NEW));
    if (!original.ok() || !rewind(target) || !copyHandle(target, original.get()) ||
        !FlushFileBuffers(original.get()) || !original.close())
        return lastErrorText();
    const std::string text =
        rewriteNoteText({lastPathPart(path), lastPathPart(result), identityOf(info)});
    Handle note(openOwn(folder + "\\" + rewriteNoteName, GENERIC_WRITE, CREATE_NEW));
    if (!note.ok() || !writeAll(note.get(), text.data(), text.size()) ||
        !FlushFileBuffers(note.get()) || !note.close())
        return lastErrorText();
    return std::string();
}

// Finishes a rewrite a killed run left half done: the file named in the leftover folder's note
// gets the whole, already checked result it was being given, but only while it is still that
// file holding what the rewrite left. Returns why a file was left alone, or an empty text.
std::string finishInterruptedRewrite(const std::string& leftover, std::string& path)
{
    std::string text;
    {
        Handle note(openOwn(leftover + "\\" + rewriteNoteName, GENERIC_READ, OPEN_EXISTING));
        if (!note.ok())
            return std::string();
        char buffer[4096];
        DWORD got = 0;
        if (!ReadFile(note.get(), buffer, sizeof buffer, &got, nullptr) || got == 0)
            return std::string();
        text.assign(buffer, got);
    }
    RewriteNote note;
    if (!readRewriteNote(text, note))
        return std::string();
    path = parentFolder(leftover) + "\\" + note.target;
    if (note.identity.empty())
        return unprovenRewrite;
    Handle out(openOwn(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING));
    if (!out.ok())
        return GetLastError() == ERROR_FILE_NOT_FOUND ? std::string() : changedSinceRewrite;
    Handle in(openOwn(leftover + "\\" + note.result, GENERIC_READ, OPEN_EXISTING));
    Handle original(openOwn(leftover + "\\" + rewriteOriginalName, GENERIC_READ, OPEN_EXISTING));
    BY_HANDLE_FILE_INFORMATION written;
    BY_HANDLE_FILE_INFORMATION existing;
    if (!in.ok() || !original.ok() || !isPlainFile(in.get(), written) ||
        (written.nFileSizeHigh == 0 && written.nFileSizeLow == 0))
        return unprovenRewrite;
    if (!isPlainFile(out.get(), existing) || identityOf(existing) != note.identity ||
        !isInterruptedRewrite(readerOf(out.get()), readerOf(in.get()), readerOf(original.get())))
        return changedSinceRewrite;
    if (rewind(in.get()) && rewind(out.get()) && copyHandle(in.get(), out.get()) &&
        SetEndOfFile(out.get()))
        FlushFileBuffers(out.get());
    return std::string();
}

void removeFolderOfFiles(const std::string& path)
{
    for (const WIN32_FIND_DATAA& entry : entriesOf(path))
        DeleteFileA((path + "\\" + entry.cFileName).c_str());
    RemoveDirectoryA(path.c_str());
}

} // namespace

WorkFolder::WorkFolder(const std::string& path) : suffix(workFileSuffix(path))
{
    const std::string base =
        parentFolder(path) + "\\" + workFolderPrefix + std::to_string(GetCurrentProcessId()) + "-";
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = base;
        for (int i = 0; i < 6; ++i)
            name += letters[random() % (sizeof letters - 1)];
        if (CreateDirectoryA(name.c_str(), nullptr)) {
            folder = name;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    failure = lastErrorText();
}

WorkFolder::~WorkFolder()
{
    if (!folder.empty())
        removeFolderOfFiles(folder);
}

std::string copyFileExclusive(const std::string& from, const std::string& to)
{
    Handle in(openOwn(from, GENERIC_READ, OPEN_EXISTING));
    if (!in.ok())
        return lastErrorText();
    BY_HANDLE_FILE_INFORMATION info;
    if (!isPlainFile(in.get(), info))
        return "it is not a regular file";
    Handle out(openOwn(to, GENERIC_WRITE, CREATE_NEW));
    if (!out.ok())
        return lastErrorText();
    if (!copyHandle(in.get(), out.get()) || !out.close())
        return lastErrorText();
    return std::string();
}

std::string replaceFile(const std::string& path, const std::string& result, bool keepDates)
{
    Handle original(openOwn(path, GENERIC_READ, OPEN_EXISTING));
    if (!original.ok())
        return lastErrorText();
    BY_HANDLE_FILE_INFORMATION info;
    if (!isPlainFile(original.get(), info))
        return "it is no longer a regular file";
    original.close();

    Handle written(openOwn(result, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING));
    if (!written.ok())
        return lastErrorText();
    if (keepDates &&
        !SetFileTime(written.get(), nullptr, &info.ftLastAccessTime, &info.ftLastWriteTime))
        return lastErrorText();
    if (!FlushFileBuffers(written.get()))
        return lastErrorText();

    if (info.nNumberOfLinks > 1) {
        // Replacing would cut the file off from its other names, so its content is rewritten in
        // place from the flushed result, after a note that lets the next run finish the job.
        Handle target(openOwn(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING));
        if (!target.ok())
            return lastErrorText();
        if (std::string error = writeRewriteNote(target.get(), path, result); !error.empty())
            return error;
        if (!rewind(target.get()) || !rewind(written.get()) ||
            !copyHandle(written.get(), target.get()) || !SetEndOfFile(target.get()))
            return lastErrorText();
        if (keepDates &&
            !SetFileTime(target.get(), nullptr, &info.ftLastAccessTime, &info.ftLastWriteTime))
            return lastErrorText();
        if (!FlushFileBuffers(target.get()) || !target.close())
            return lastErrorText();
        return std::string();
    }

    if (!written.close())
        return lastErrorText();
    // A read-only file refuses to be replaced: it is made writable for the moment, and the new
    // file gets the original's attributes afterwards (not every system's ReplaceFile keeps them).
    constexpr DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                           FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD attributes = info.dwFileAttributes & kept;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    // ReplaceFile keeps the replaced file's security and creation time as well.
    if (!ReplaceFileA(path.c_str(), result.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                      nullptr, nullptr) &&
        !MoveFileExA(result.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        SetFileAttributesA(path.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
        return errorText(error);
    }
    SetFileAttributesA(path.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
    return std::string();
}

std::vector<UnfinishedRewrite> removeLeftoverWorkFolders(const std::string& folder, bool recursive)
{
    std::vector<UnfinishedRewrite> unfinished;
    std::vector<std::string> below;
    for (const WIN32_FIND_DATAA& entry : entriesOf(folder)) {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            continue; // links to folders are not followed, as in every walk
        const std::string name = entry.cFileName;
        const std::string path = withTrailingSeparator(folder) + name;
        if (isWorkFolderName(name)) {
            if (isLeftover(path, name)) {
                std::string target;
                if (std::string why = finishInterruptedRewrite(path, target); !why.empty())
                    unfinished.push_back({target, why});
                removeFolderOfFiles(path);
            }
            continue;
        }
        if (recursive)
            below.push_back(path);
    }
    for (const std::string& path : below) {
        std::vector<UnfinishedRewrite> deeper = removeLeftoverWorkFolders(path, true);
        unfinished.insert(unfinished.end(), deeper.begin(), deeper.end());
    }
    return unfinished;
}
