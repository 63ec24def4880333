#include "image/raster.h"

#include <cstring>

namespace {

// 16-bit samples are big-endian, so v * 257 is the byte pair (v, v).
bool sameWidened(const std::vector<std::uint8_t>& narrow, const std::vector<std::uint8_t>& wide)
{
    if (wide.size() != narrow.size() * 2)
        return false;
    for (std::size_t i = 0; i < narrow.size(); ++i) {
        if (wide[2 * i] != narrow[i] || wide[2 * i + 1] != narrow[i])
            return false;
    }
    return true;
}

} // namespace

bool sameSamples(const Raster& one, const Raster& other)
{
    if (one.width != other.width || one.height != other.height || one.channels != other.channels ||
        one.model != other.model)
        return false;
    if (one.depth == other.depth)
        return one.samples.size() == other.samples.size() &&
               (one.samples.empty() ||
                std::memcmp(one.samples.data(), other.samples.data(), one.samples.size()) == 0);
    // Widening only makes sense for the normalised models; raw samples must match exactly.
    if (one.model == SampleModel::raw)
        return false;
    if (one.depth == 8 && other.depth == 16)
        return sameWidened(one.samples, other.samples);
    if (one.depth == 16 && other.depth == 8)
        return sameWidened(other.samples, one.samples);
    return false;
}

CheckResult readFailure(ReadStatus status, bool isOriginal)
{
    switch (status) {
    case ReadStatus::ok:
        break;
    case ReadStatus::broken:
        return differs(isOriginal ? "the original does not decode" : "it does not decode");
    case ReadStatus::tooLarge:
        return differs("the image is too large to check");
    case ReadStatus::unsupported:
        return differs("no check for this kind");
    }
    return differs("no check for this kind");
}
