#include "app/command_line.h"

#include <cerrno>
#include <unistd.h>

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
    if (path.empty() || path.front() == '/' || folder.empty())
        return path;
    std::string rest = path;
    while (rest.starts_with("./")) {
        rest.erase(0, 2);
        while (rest.starts_with("/"))
            rest.erase(0, 1);
    }
    if (rest == ".")
        rest.clear();
    if (rest.empty())
        return folder;
    return folder.back() == '/' ? folder + rest : folder + "/" + rest;
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
