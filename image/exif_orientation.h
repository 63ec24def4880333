// The EXIF orientation tag (0x0112) of IFD0 in a TIFF-structured EXIF block, as found after a
// JPEG APP1 "Exif\0\0" header or in a PNG eXIf chunk.
#pragma once

#include <cstddef>
#include <cstdint>

// 1 ("top-left") when the block has no readable orientation, the way viewers treat it.
int exifOrientation(const std::uint8_t* data, std::size_t size);
