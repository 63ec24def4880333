// Decoded samples as the checks compare them, and the limits every decoder keeps.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "image/image_check.h"

// More pixels than this in one image (or one GIF canvas) are not decoded: two such images at
// 16 bits per sample already take a gigabyte.
inline constexpr std::uint64_t maxPixels = std::uint64_t{64} << 20;

enum class SampleModel { rgba, cmyk, raw };

// Rows top to bottom, samples interleaved. rgba and cmyk samples at depth 16 are big-endian; raw
// samples are kept as the decoder gives them and only ever compared with the same decoder's.
struct Raster {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int channels = 4;
    int depth = 8;
    SampleModel model = SampleModel::rgba;
    std::vector<std::uint8_t> samples;
};

// Equal size, model and values; an 8-bit sample v equals a 16-bit sample v * 257, so a depth
// reduction that loses nothing compares equal. 16-bit samples must be big-endian for that.
bool sameSamples(const Raster& one, const Raster& other);

enum class ReadStatus { ok, broken, tooLarge, unsupported };

// The result for a file that could not be read; isOriginal tells which of the two it was.
CheckResult readFailure(ReadStatus status, bool isOriginal);

inline CheckResult sameResult()
{
    return {true, {}};
}
inline CheckResult differs(std::string reason)
{
    return {false, std::move(reason)};
}
