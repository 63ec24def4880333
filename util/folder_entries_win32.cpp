#include "util/folder_entries.h"

#include <string_view>

#include <windows.h>

namespace {

// Links and junctions are reparse points: never followed, never listed.
bool isLink(DWORD attributes)
{
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

EntryKind kindOf(DWORD attributes)
{
    if (isLink(attributes) || (attributes & FILE_ATTRIBUTE_DEVICE))
        return EntryKind::other;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryKind::folder : EntryKind::file;
}

DWORD attributesOf(const std::string& path)
{
    return GetFileAttributesA(path.c_str());
}

} // namespace

bool readFolder(std::string& folder, bool followLink, FolderListing& listing)
{
    listing.names.clear();
    listing.entries.clear();
    if (!followLink) {
        folder.pop_back();
        const DWORD attributes = attributesOf(folder);
        folder.push_back(pathSeparator);
        if (attributes == INVALID_FILE_ATTRIBUTES || isLink(attributes))
            return false;
    }
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    do {
        const char* name = found.cFileName;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        const std::string_view view(name);
        listing.entries.push_back(
            FolderEntry{listing.names.size(), view.size(), kindOf(found.dwFileAttributes)});
        listing.names.append(view);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return true;
}

std::size_t rootLength(const std::string& path)
{
    if (!path.empty() && isSeparator(path[0]))
        return 1;
    if (path.size() >= 2 && path[1] == ':')
        return path.size() >= 3 && isSeparator(path[2]) ? 3 : 2;
    return 0;
}

bool isFolderOrLinkToOne(const std::string& path)
{
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool isPlainFile(const std::string& path)
{
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && kindOf(attributes) == EntryKind::file;
}

bool isRealFolder(const std::string& path)
{
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && kindOf(attributes) == EntryKind::folder;
}

bool makeFolder(const std::string& path)
{
    return CreateDirectoryA(path.c_str(), nullptr) != 0;
}

void removeFolder(const std::string& path)
{
    RemoveDirectoryA(path.c_str());
}

void removeEntry(const std::string& path)
{
    // A read-only file cannot be deleted as it is; a link to a folder goes as a folder does.
    const DWORD attributes = attributesOf(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    if (!DeleteFileA(path.c_str()))
        RemoveDirectoryA(path.c_str());
}
