#include "util/live_file.h"

#include "util/live_file_open.h"

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
    return fileSize(path);
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
    if (std::FILE* emptied = openWithMode(path, 0))
        std::fclose(emptied);
    stream = openWithMode(path, openMode);
    return stream;
}
