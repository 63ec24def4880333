#include "util/live_file.h"

#include <sys/stat.h>

namespace {

// "e" opens with close-on-exec, so a file held open here never leaks into the tools that other
// threads start meanwhile.
const char* modeString(int mode)
{
    static const char* const modes[] = {"we",  "re",  "r+e",  "w+e",  "a+e",
                                        "wbe", "rbe", "r+be", "w+be", "a+be"};
    if (mode < 0 || mode > 9)
        return nullptr;
    return modes[mode];
}

std::FILE* openWithMode(const std::string& path, int mode)
{
    const char* text = modeString(mode);
    return text ? std::fopen(path.c_str(), text) : nullptr;
}

} // namespace

liveFile::liveFile(const std::string& path, int mode)
    : stream(openWithMode(path, mode)), path(path), openMode(mode)
{}

liveFile::liveFile(const char* path, int mode) : liveFile(std::string(path ? path : ""), mode) {}

liveFile::~liveFile()
{
    if (stream)
        std::fclose(stream);
}

std::string liveFile::readAll()
{
    std::string text;
    if (!stream)
        return text;
    // The size is only a first guess: the file may have grown, and some files report 0.
    const std::int64_t expected = getSize();
    if (expected > 0)
        text.reserve(static_cast<std::size_t>(expected));
    char buffer[65536];
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, stream);
        text.append(buffer, got);
        if (got < sizeof buffer)
            break;
    }
    return text;
}

std::int64_t liveFile::getSize() const
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return -1;
    return static_cast<std::int64_t>(info.st_size);
}

std::FILE* liveFile::reopenTruncated()
{
    if (stream) {
        std::fclose(stream);
        stream = nullptr;
    }
    if (openMode == 0 || openMode == 3 || openMode == 5 || openMode == 8) {
        stream = openWithMode(path, openMode);
        return stream;
    }
    if (std::FILE* emptied = std::fopen(path.c_str(), "we"))
        std::fclose(emptied);
    stream = openWithMode(path, openMode);
    return stream;
}

std::int64_t fileSize(const std::string& path)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return -1;
    return static_cast<std::int64_t>(info.st_size);
}
