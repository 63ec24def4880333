#include "engine/content_hash.h"

#include <cerrno>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

namespace {

constexpr std::size_t chunkSize = 64 * 1024;

struct StateFree {
    void operator()(XXH3_state_t* state) const { XXH3_freeState(state); }
};

struct DescriptorClose {
    int fd;
    ~DescriptorClose() { ::close(fd); }
};

std::string hexOf(const XXH128_hash_t& hash)
{
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, hash);
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * sizeof canonical.digest);
    for (const unsigned char byte : canonical.digest) {
        text.push_back(digits[byte >> 4]);
        text.push_back(digits[byte & 0x0f]);
    }
    return text;
}

} // namespace

std::string contentHash(const std::string& path)
{
    // O_NONBLOCK so that opening a pipe planted under an image's name cannot hang; fstat then
    // turns it (and every other non-file) away.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::string();
    const DescriptorClose closer{fd};
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return std::string();

    const std::unique_ptr<XXH3_state_t, StateFree> state(XXH3_createState());
    if (!state || XXH3_128bits_reset(state.get()) != XXH_OK)
        return std::string();
    std::vector<char> buffer(chunkSize);
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::string();
        if (got == 0)
            break;
        if (XXH3_128bits_update(state.get(), buffer.data(), static_cast<std::size_t>(got)) !=
            XXH_OK)
            return std::string();
    }
    return hexOf(XXH3_128bits_digest(state.get()));
}

std::string textHash(const std::string& text)
{
    return hexOf(XXH3_128bits(text.data(), text.size()));
}
