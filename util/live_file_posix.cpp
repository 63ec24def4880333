#include "util/live_file.h"
#include "util/live_file_open.h"

#include <sys/stat.h>

std::FILE* openWithMode(const std::string& path, int mode)
{
    // "e" opens with close-on-exec, so a file held open here never leaks into the tools that
    // other threads start meanwhile.
    static const char* const modes[] = {"we",  "re",  "r+e",  "w+e",  "a+e",
                                        "wbe", "rbe", "r+be", "w+be", "a+be"};
    if (mode < 0 || mode > 9)
        return nullptr;
    return std::fopen(path.c_str(), modes[mode]);
}

std::int64_t fileSize(const std::string& path)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return -1;
    return static_cast<std::int64_t>(info.st_size);
}
