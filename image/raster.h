// Decoded samples as the checks compare them, row by row, and the limits every decoder keeps.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "image/image_check.h"

// More pixels than this in one image (or one GIF canvas) are not decoded: the time a check takes
// grows with them.
inline constexpr std::uint64_t maxPixels = std::uint64_t{64} << 20;

enum class SampleModel { rgba, cmyk, raw };

enum class ReadStatus { ok, broken, tooLarge, unsupported };

// Samples interleaved. rgba and cmyk samples at depth 16 are big-endian; raw samples are kept as
// the decoder gives them and only ever compared with the same decoder's.
struct RowFormat {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int channels = 4;
    int depth = 8;
    SampleModel model = SampleModel::rgba;

    std::size_t rowBytes() const
    {
        return static_cast<std::size_t>(
            (std::uint64_t{width} * static_cast<std::uint64_t>(channels) *
                 static_cast<std::uint64_t>(depth) +
             7) /
            8);
    }
};

// A decoded image handed out one row at a time, top to bottom, so that no check holds a whole
// image.
class RowSource {
public:
    virtual ~RowSource() = default;
    // The next row (format.rowBytes() bytes, valid until the next call); null when it cannot be
    // read, with status telling why.
    virtual const std::uint8_t* nextRow() = 0;

    RowFormat format;
    ReadStatus status = ReadStatus::ok;
};

// Equal size, model and values; an 8-bit sample v equals a 16-bit sample v * 257, so a depth
// reduction that loses nothing compares equal. Reads both to their last row also after a
// difference, so that damage further on still shows in their status.
bool sameRows(RowSource& one, RowSource& other);

// Reads the rows not read yet, so that damage in them shows in the status.
void readRest(RowSource& source);

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
