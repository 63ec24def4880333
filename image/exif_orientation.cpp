#include "image/exif_orientation.h"

namespace {

constexpr int normalOrientation = 1;
constexpr std::uint16_t orientationTag = 0x0112;
constexpr std::uint16_t shortType = 3;

struct ByteReader {
    const std::uint8_t* data;
    std::size_t size;
    bool bigEndian;

    bool has(std::size_t offset, std::size_t length) const
    {
        return offset <= size && length <= size - offset;
    }
    std::uint16_t u16(std::size_t offset) const
    {
        const std::uint8_t* p = data + offset;
        return bigEndian ? static_cast<std::uint16_t>(p[0] << 8 | p[1])
                         : static_cast<std::uint16_t>(p[1] << 8 | p[0]);
    }
    std::uint32_t u32(std::size_t offset) const
    {
        const std::uint8_t* p = data + offset;
        return bigEndian ? std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 |
                               std::uint32_t{p[2]} << 8 | p[3]
                         : std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 |
                               std::uint32_t{p[1]} << 8 | p[0];
    }
};

} // namespace

int exifOrientation(const std::uint8_t* data, std::size_t size)
{
    if (!data || size < 8)
        return normalOrientation;
    ByteReader reader{data, size, false};
    if (data[0] == 'M' && data[1] == 'M')
        reader.bigEndian = true;
    else if (data[0] != 'I' || data[1] != 'I')
        return normalOrientation;
    if (reader.u16(2) != 42)
        return normalOrientation;
    const std::size_t ifd = reader.u32(4);
    if (!reader.has(ifd, 2))
        return normalOrientation;
    const std::size_t count = reader.u16(ifd);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = ifd + 2 + i * 12;
        if (!reader.has(entry, 12))
            break;
        if (reader.u16(entry) != orientationTag)
            continue;
        // A short value sits in the first two bytes of the value field.
        if (reader.u16(entry + 2) != shortType || reader.u32(entry + 4) < 1)
            return normalOrientation;
        return reader.u16(entry + 8);
    }
    return normalOrientation;
}
