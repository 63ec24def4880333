#include "engine/work_folder_names.h"

#include <cstring>

#include "engine/work_folder.h"
#include "util/file_system.h"

std::string workFileSuffix(const std::string& path)
{
    const std::size_t slash = path.find_last_of(pathSeparators);
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string();
    // A suffix is for the tools' eyes only; a long or odd one is not worth keeping.
    const std::string suffix = path.substr(dot);
    return suffix.size() <= 8 ? suffix : std::string();
}

long workFolderOwner(const std::string& name)
{
    const std::size_t prefix = std::strlen(workFolderPrefix);
    if (name.compare(0, prefix, workFolderPrefix) != 0)
        return -1;
    const std::size_t dash = name.find('-', prefix);
    if (dash == std::string::npos || dash == prefix || name.size() != dash + 7)
        return -1;
    long pid = 0;
    for (std::size_t i = prefix; i < dash; ++i) {
        if (name[i] < '0' || name[i] > '9' || pid > 100000000)
            return -1;
        pid = pid * 10 + (name[i] - '0');
    }
    return pid;
}

std::string lastPathPart(const std::string& path)
{
    const std::size_t slash = path.find_last_of(pathSeparators);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WorkFolder::file(const std::string& tag) const
{
    return folder + pathSeparator + "work" + tag + suffix;
}

bool isWorkFolderName(const std::string& name)
{
    return workFolderOwner(name) > 0;
}
