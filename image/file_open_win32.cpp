#include "image/file_open.h"

#include <fcntl.h>
#include <io.h>

std::filesystem::path systemPath(const std::string& path)
{
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

std::FILE* openForReading(const std::string& path)
{
    return ::_wfopen(systemPath(path).c_str(), L"rbN");
}

int openDescriptorForReading(const std::string& path)
{
    return ::_wopen(systemPath(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}
