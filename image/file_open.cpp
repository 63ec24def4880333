#include "image/file_open.h"

#include <fcntl.h>

#ifdef _WIN32
#include <io.h>
#endif

std::filesystem::path systemPath(const std::string& path)
{
#ifdef _WIN32
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
#else
    return std::filesystem::path(path);
#endif
}

std::FILE* openForReading(const std::string& path)
{
#ifdef _WIN32
    return ::_wfopen(systemPath(path).c_str(), L"rbN");
#else
    return std::fopen(path.c_str(), "rbe");
#endif
}

int openDescriptorForReading(const std::string& path)
{
#ifdef _WIN32
    return ::_wopen(systemPath(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
#else
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
#endif
}
