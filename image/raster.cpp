#include "image/raster.h"

#include <cstring>

namespace {

bool sameFormat(const RowFormat& one, const RowFormat& other)
{
    if (one.width != other.width || one.height != other.height || one.channels != other.channels ||
        one.model != other.model)
        return false;
    if (one.depth == other.depth)
        return true;
    // Widening only makes sense for the normalised models; raw samples must match exactly.
    return one.model != SampleModel::raw &&
           ((one.depth == 8 && other.depth == 16) || (one.depth == 16 && other.depth == 8));
}

// 16-bit samples are big-endian, so v * 257 is the byte pair (v, v).
bool sameWidened(const std::uint8_t* narrow, const std::uint8_t* wide, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (wide[2 * i] != narrow[i] || wide[2 * i + 1] != narrow[i])
            return false;
    }
    return true;
}

bool sameRow(const RowFormat& oneFormat, const std::uint8_t* one, const RowFormat& otherFormat,
             const std::uint8_t* other)
{
    if (oneFormat.depth == otherFormat.depth)
        return std::memcmp(one, other, oneFormat.rowBytes()) == 0;
    if (oneFormat.depth == 8)
        return sameWidened(one, other, oneFormat.rowBytes());
    return sameWidened(other, one, otherFormat.rowBytes());
}

} // namespace

void readRest(RowSource& source)
{
    while (source.status == ReadStatus::ok && source.nextRow()) {
    }
}

bool sameRows(RowSource& one, RowSource& other)
{
    bool same = one.status == ReadStatus::ok && other.status == ReadStatus::ok &&
                sameFormat(one.format, other.format);
    std::uint32_t y = 0;
    for (; same && y < one.format.height; ++y) {
        const std::uint8_t* oneRow = one.nextRow();
        const std::uint8_t* otherRow = other.nextRow();
        if (!oneRow || !otherRow) {
            same = false;
        } else if (!sameRow(one.format, oneRow, other.format, otherRow)) {
            same = false;
        } else {
            continue;
        }
        ++y;
        break;
    }
    readRest(one);
    readRest(other);
    return same;
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
