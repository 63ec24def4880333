#include "image/kind_checks.h"

#include <csetjmp>
#include <cstdio>
#include <map>
#include <vector>

#include <png.h>
#include <zlib.h>

#include "image/exif_orientation.h"
#include "image/file_open.h"
#include "image/raster.h"

namespace {

// Colour chunks are taken as raw bytes instead of through libpng's own handling: libpng drops a
// colour chunk it finds inconsistent, and a dropped chunk must not pass for an absent one.
// acTL marks an animated image, whose extra frames libpng does not decode.
constexpr png_byte rawChunks[] = "iCCP\0sRGB\0gAMA\0cHRM\0cICP\0eXIf\0acTL";
constexpr int rawChunkCount = 7;

constexpr std::size_t maxChunkSize = std::size_t{64} << 20;

struct ColourChunk {
    const char* type;
    const char* reason;
};

constexpr ColourChunk colourChunks[] = {
    {"iCCP", "the colour profile changed"},
    {"sRGB", "the srgb intent changed"},
    {"gAMA", "the gamma changed"},
    {"cHRM", "the chromaticities changed"},
    {"cICP", "the cicp code points changed"},
};

struct PngImage {
    Raster raster;
    // Chunk type to the bodies of every chunk of it, in file order; iCCP bodies are the
    // inflated profile, so a recompressed profile is still the same profile.
    std::map<std::string, std::vector<std::string>> chunks;
    int orientation = 1;
    bool animated = false;
};

struct PngRead {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<png_bytep> rows;
    Raster* raster = nullptr;
    ReadStatus status = ReadStatus::broken;
};

[[noreturn]] void pngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

// Every libpng error leaves this function through longjmp, so it keeps no object with a
// destructor of its own; what it fills lives in the caller.
void decodePng(std::FILE* file, PngRead* read)
{
    if (setjmp(png_jmpbuf(read->png)))
        return;
    png_init_io(read->png, file);
    // A damaged colour chunk would otherwise be skipped with a warning.
    png_set_crc_action(read->png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
    png_set_chunk_malloc_max(read->png, maxChunkSize);
    png_set_keep_unknown_chunks(read->png, PNG_HANDLE_CHUNK_ALWAYS, rawChunks, rawChunkCount);
    png_read_info(read->png, read->info);
    const png_uint_32 width = png_get_image_width(read->png, read->info);
    const png_uint_32 height = png_get_image_height(read->png, read->info);
    if (std::uint64_t{width} * height > maxPixels) {
        read->status = ReadStatus::tooLarge;
        return;
    }
    const int depth = png_get_bit_depth(read->png, read->info) == 16 ? 16 : 8;
    // Palette, gray, low depths and tRNS all become RGBA at 8 or 16 bits, so a reduction that
    // loses nothing gives the same samples.
    png_set_expand(read->png);
    png_set_gray_to_rgb(read->png);
    png_set_add_alpha(read->png, depth == 16 ? 0xffff : 0xff, PNG_FILLER_AFTER);
    png_set_interlace_handling(read->png);
    png_read_update_info(read->png, read->info);
    const std::size_t rowBytes = png_get_rowbytes(read->png, read->info);
    if (rowBytes != std::size_t{width} * 4 * static_cast<std::size_t>(depth / 8))
        return;
    Raster& raster = *read->raster;
    raster.width = width;
    raster.height = height;
    raster.depth = depth;
    raster.samples.resize(rowBytes * height);
    read->rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        read->rows[y] = raster.samples.data() + rowBytes * y;
    png_read_image(read->png, read->rows.data());
    png_read_end(read->png, read->info);
    read->status = ReadStatus::ok;
}

// iCCP: a name of 1-79 bytes, a zero, the compression method (0) and a zlib stream.
bool inflateProfile(const png_byte* data, std::size_t size, std::string& profile)
{
    std::size_t nameEnd = 0;
    while (nameEnd < size && nameEnd < 80 && data[nameEnd] != 0)
        ++nameEnd;
    if (nameEnd == 0 || nameEnd >= 80 || nameEnd + 2 > size || data[nameEnd + 1] != 0)
        return false;
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return false;
    stream.next_in = const_cast<Bytef*>(data + nameEnd + 2);
    stream.avail_in = static_cast<uInt>(size - nameEnd - 2);
    profile.clear();
    unsigned char buffer[16384];
    int result = Z_OK;
    while (result == Z_OK) {
        stream.next_out = buffer;
        stream.avail_out = sizeof buffer;
        result = inflate(&stream, Z_NO_FLUSH);
        profile.append(reinterpret_cast<const char*>(buffer), sizeof buffer - stream.avail_out);
        if (profile.size() > maxChunkSize)
            result = Z_MEM_ERROR;
        else if (result == Z_BUF_ERROR && stream.avail_in > 0)
            result = Z_OK;
    }
    inflateEnd(&stream);
    return result == Z_STREAM_END;
}

ReadStatus collectChunks(png_structp png, png_infop info, PngImage& image)
{
    png_unknown_chunkp chunks = nullptr;
    const int count = png_get_unknown_chunks(png, info, &chunks);
    for (int i = 0; i < count; ++i) {
        const std::string type(reinterpret_cast<const char*>(chunks[i].name), 4);
        std::string body(reinterpret_cast<const char*>(chunks[i].data), chunks[i].size);
        if (type == "acTL") {
            image.animated = true;
            continue;
        }
        if (type == "iCCP" && !inflateProfile(chunks[i].data, chunks[i].size, body))
            return ReadStatus::broken;
        if (type == "eXIf" && !image.chunks.count(type))
            image.orientation = exifOrientation(chunks[i].data, chunks[i].size);
        image.chunks[type].push_back(std::move(body));
    }
    return ReadStatus::ok;
}

ReadStatus readPng(const std::string& path, PngImage& image)
{
    std::FILE* file = openForReading(path);
    if (!file)
        return ReadStatus::broken;
    PngRead read;
    read.raster = &image.raster;
    read.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
    if (read.png)
        read.info = png_create_info_struct(read.png);
    if (read.info)
        decodePng(file, &read);
    if (read.status == ReadStatus::ok)
        read.status = collectChunks(read.png, read.info, image);
    png_destroy_read_struct(read.png ? &read.png : nullptr, read.info ? &read.info : nullptr,
                            nullptr);
    std::fclose(file);
    return read.status;
}

} // namespace

CheckResult samePng(const std::string& before, const std::string& after)
{
    PngImage original;
    if (const ReadStatus status = readPng(before, original); status != ReadStatus::ok)
        return readFailure(status, true);
    PngImage result;
    if (const ReadStatus status = readPng(after, result); status != ReadStatus::ok)
        return readFailure(status, false);
    if (original.animated || result.animated)
        return differs("no check for animated png");
    for (const ColourChunk& chunk : colourChunks) {
        const auto one = original.chunks.find(chunk.type);
        const auto other = result.chunks.find(chunk.type);
        const bool oneHas = one != original.chunks.end();
        const bool otherHas = other != result.chunks.end();
        if (oneHas != otherHas || (oneHas && one->second != other->second))
            return differs(chunk.reason);
    }
    if (original.orientation != result.orientation)
        return differs("the orientation changed");
    if (!sameSamples(original.raster, result.raster))
        return differs("the pixels differ");
    return sameResult();
}
