#include "util/live_file.h"
#include "util/live_file_open.h"

#include <windows.h>

std::FILE* openWithMode(const std::string& path, int mode)
{
    // "N": not inherited by the tools that other threads start meanwhile. The text modes pass
    // bytes through here too, so a file's bytes are the same as on Linux.
    static const char* const modes[] = {"wbN", "rbN", "r+bN", "w+bN", "a+bN",
                                        "wbN", "rbN", "r+bN", "w+bN", "a+bN"};
    if (mode < 0 || mode > 9)
        return nullptr;
    return std::fopen(path.c_str(), modes[mode]);
}

std::int64_t fileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return static_cast<std::int64_t>((std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow);
}
