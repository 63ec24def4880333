#include "image/file_open.h"

#include <fcntl.h>

std::filesystem::path systemPath(const std::string& path)
{
    return std::filesystem::path(path);
}

std::FILE* openForReading(const std::string& path)
{
    return std::fopen(path.c_str(), "rbe");
}

int openDescriptorForReading(const std::string& path)
{
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}
