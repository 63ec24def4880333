// Finding a program as the interpreter does: the current folder, then PATH, each name tried with
// every PATHEXT extension. The program's own folder is searched after the current one, so the
// tools beside it are found wherever it was started from.
#include "platform/process_additions.h"

#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

std::vector<std::string> splitList(std::string_view list)
{
    std::vector<std::string> items;
    while (!list.empty()) {
        const std::size_t semicolon = list.find(';');
        std::string item(list.substr(0, semicolon));
        // PATH entries may be quoted to hold a semicolon of their own.
        if (item.size() >= 2 && item.front() == '"' && item.back() == '"')
            item = item.substr(1, item.size() - 2);
        if (!item.empty())
            items.push_back(item);
        if (semicolon == std::string_view::npos)
            break;
        list.remove_prefix(semicolon + 1);
    }
    return items;
}

std::vector<std::string> extensions()
{
    const char* pathext = std::getenv("PATHEXT");
    return splitList(pathext && *pathext ? pathext : ".COM;.EXE;.BAT;.CMD");
}

bool sameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

bool hasKnownExtension(const std::string& name, const std::vector<std::string>& known)
{
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || name.find_first_of("\\/", dot) != std::string::npos)
        return false;
    for (const std::string& extension : known) {
        if (sameIgnoringCase(std::string_view(name).substr(dot), extension))
            return true;
    }
    return false;
}

bool isFile(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string fullPath(const std::string& path)
{
    char buffer[MAX_PATH * 4];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    return length > 0 && length < sizeof buffer ? std::string(buffer, length) : path;
}

// name (a path of its own or not) tried as it is when its extension is known, then with each.
bool findAs(const std::string& base, const std::vector<std::string>& known, std::string* foundPath)
{
    std::vector<std::string> candidates;
    if (hasKnownExtension(base, known))
        candidates.push_back(base);
    for (const std::string& extension : known)
        candidates.push_back(base + extension);
    for (const std::string& candidate : candidates) {
        if (isFile(candidate)) {
            if (foundPath)
                *foundPath = fullPath(candidate);
            return true;
        }
    }
    return false;
}

std::string inFolder(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/'))
        return folder + name;
    return folder + "\\" + name;
}

std::string programFolder()
{
    char buffer[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer)
        return {};
    std::string path(buffer, length);
    const std::size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

} // namespace

bool cmdFindProgram(const std::string& name, std::string* foundPath)
{
    if (name.empty())
        return false;
    const std::vector<std::string> known = extensions();
    if (name.find_first_of("\\/:") != std::string::npos)
        return findAs(name, known, foundPath);
    std::vector<std::string> folders{"."};
    folders.push_back(programFolder());
    const char* path = std::getenv("PATH");
    for (const std::string& folder : splitList(path ? path : ""))
        folders.push_back(folder);
    for (const std::string& folder : folders) {
        if (!folder.empty() && findAs(inFolder(folder, name), known, foundPath))
            return true;
    }
    return false;
}
