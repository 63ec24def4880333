#include "app/command_line.h"

#include <cerrno>
#include <unistd.h>

#include "util/file_system.h"

std::string currentFolder()
{
    std::string buffer(4096, '\0');
    while (!getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE)
            return std::string();
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(buffer.find('\0'));
    return buffer;
}

std::string absoluteFrom(const std::string& path, const std::string& folder)
{
    if (path.empty() || isAbsolutePath(path) || folder.empty())
        return path;
    std::string rest = path;
    while (rest.size() >= 2 && rest[0] == '.' && isSeparator(rest[1])) {
        rest.erase(0, 2);
        while (!rest.empty() && isSeparator(rest[0]))
            rest.erase(0, 1);
    }
    if (rest == ".")
        rest.clear();
    if (rest.empty())
        return folder;
    return isSeparator(folder.back()) ? folder + rest : folder + pathSeparator + rest;
}

std::vector<std::string> absolutePaths(const std::vector<std::string>& paths)
{
    const std::string folder = currentFolder();
    std::vector<std::string> result;
    result.reserve(paths.size());
    for (const std::string& path : paths)
        result.push_back(absoluteFrom(path, folder));
    return result;
}
