#include "engine/content_hash.h"

#include <memory>

#include <xxhash.h>

#include "engine/file_queries.h"

namespace {

struct StateFree {
    void operator()(XXH3_state_t* state) const { XXH3_freeState(state); }
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
    const std::unique_ptr<XXH3_state_t, StateFree> state(XXH3_createState());
    if (!state || XXH3_128bits_reset(state.get()) != XXH_OK)
        return std::string();
    // Only a regular file: a pipe planted under an image's name must not make the read hang.
    const bool read = readRegularFile(path, [&](const char* data, std::size_t size) {
        return XXH3_128bits_update(state.get(), data, size) == XXH_OK;
    });
    return read ? hexOf(XXH3_128bits_digest(state.get())) : std::string();
}

std::string textHash(const std::string& text)
{
    return hexOf(XXH3_128bits(text.data(), text.size()));
}
