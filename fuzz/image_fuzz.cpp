// Feeds arbitrary bytes to the image checks as files of every kind the content names. The first
// byte chooses: even, the rest is one file compared with itself (a single decode of each kind);
// odd, the next four bytes (little-endian) give the length of the first file and what follows
// is the second, so the two are compared both ways. Nothing may crash or leak; two files found
// the same must each be the same as themselves, and apart from PDF (where only the result may not
// need repairs) the comparison must not depend on which file came first.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

#include "image/image_check.h"

namespace {

std::string folder;

void writeFile(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size)
        std::abort();
    std::fclose(file);
}

bool mentionsPdf(const std::uint8_t* data, std::size_t size)
{
    const std::size_t length = size < 1024 ? size : 1024;
    for (std::size_t i = 0; i + 5 <= length; ++i) {
        if (std::memcmp(data + i, "%PDF-", 5) == 0)
            return true;
    }
    return false;
}

void removeFolder()
{
    std::remove((folder + "/one").c_str());
    std::remove((folder + "/other").c_str());
    ::rmdir(folder.c_str());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    char name[] = "/tmp/tarnwick-image-fuzz-XXXXXX";
    if (!::mkdtemp(name))
        std::abort();
    folder = name;
    std::atexit(removeFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::string one = folder + "/one";
    const std::string other = folder + "/other";
    if (data[0] % 2 == 0) {
        writeFile(one, data + 1, size - 1);
        sameImage(one, one);
        isEncryptedPdf(one);
        return 0;
    }
    if (size < 5)
        return 0;
    const std::size_t rest = size - 5;
    std::size_t first = std::size_t{data[1]} | std::size_t{data[2]} << 8 |
                        std::size_t{data[3]} << 16 | std::size_t{data[4]} << 24;
    if (first > rest)
        first = rest;
    writeFile(one, data + 5, first);
    writeFile(other, data + 5 + first, rest - first);
    const CheckResult forth = sameImage(one, other);
    const CheckResult back = sameImage(other, one);
    if (forth.same && (!sameImage(one, one).same || !sameImage(other, other).same)) {
        std::fprintf(stderr, "image_fuzz: the same as another file but not as itself\n");
        std::abort();
    }
    const bool pdf = mentionsPdf(data + 5, first) || mentionsPdf(data + 5 + first, rest - first);
    if (forth.same != back.same && !pdf) {
        std::fprintf(stderr, "image_fuzz: the same one way only: %s / %s\n", forth.reason.c_str(),
                     back.reason.c_str());
        std::abort();
    }
    return 0;
}
