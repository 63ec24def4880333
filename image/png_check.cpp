#include "image/kind_checks.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
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
    // Chunk type to the bodies of every chunk of it, in file order; iCCP bodies are the
    // inflated profile, so a recompressed profile is still the same profile.
    std::map<std::string, std::vector<std::string>> chunks;
    int orientation = 1;
    bool animated = false;
};

[[noreturn]] void pngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

// One libpng reader on its own handle of the file, giving rows as stored: an interlaced image's
// rows come pass by pass, each as wide as its pass. Every libpng error leaves the calls below
// through longjmp, so the functions that call libpng keep no object with a destructor.
class PngDecoder {
public:
    explicit PngDecoder(const std::string& path) : file(openForReading(path))
    {
        if (file)
            png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
        if (png)
            info = png_create_info_struct(png);
    }
    ~PngDecoder()
    {
        if (png)
            png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        if (file)
            std::fclose(file);
    }
    PngDecoder(const PngDecoder&) = delete;
    PngDecoder& operator=(const PngDecoder&) = delete;

    // Reads up to the pixels and sets the transformations to RGBA at 8 or 16 bits.
    ReadStatus open(RowFormat& format, bool& interlaced);
    bool readRow(png_bytep row);
    // Reads the chunks after the pixels; true when the file ends well.
    bool finish();

    png_structp png = nullptr;
    png_infop info = nullptr;

private:
    std::FILE* file = nullptr;
};

ReadStatus PngDecoder::open(RowFormat& format, bool& interlaced)
{
    if (!info)
        return ReadStatus::broken;
    if (setjmp(png_jmpbuf(png)))
        return ReadStatus::broken;
    png_init_io(png, file);
    // A damaged colour chunk would otherwise be skipped with a warning.
    png_set_crc_action(png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
    png_set_chunk_malloc_max(png, maxChunkSize);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS, rawChunks, rawChunkCount);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (std::uint64_t{width} * height > maxPixels)
        return ReadStatus::tooLarge;
    const int depth = png_get_bit_depth(png, info) == 16 ? 16 : 8;
    interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    // Palette, gray, low depths and tRNS all become RGBA at 8 or 16 bits, so a reduction that
    // loses nothing gives the same samples.
    png_set_expand(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, depth == 16 ? 0xffff : 0xff, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    format.width = width;
    format.height = height;
    format.depth = depth;
    if (png_get_rowbytes(png, info) != format.rowBytes())
        return ReadStatus::broken;
    return ReadStatus::ok;
}

bool PngDecoder::readRow(png_bytep row)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_row(png, row, nullptr);
    return true;
}

bool PngDecoder::finish()
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_end(png, info);
    return true;
}

// Adam7's seven passes; an empty one is not stored at all.
constexpr int passCount = 7;

bool passStored(const RowFormat& format, int pass)
{
    return PNG_PASS_COLS(format.width, pass) > 0 && PNG_PASS_ROWS(format.height, pass) > 0;
}

// The rows of a PNG, top to bottom. An interlaced file stores the image in seven passes spread
// over the whole stream; instead of holding the image, one reader per pass walks the file,
// skipping the passes before its own, and each row is put together from the passes' rows as they
// come. That decodes an interlaced file about twice, in memory of a few rows.
class PngRows : public RowSource {
public:
    explicit PngRows(const std::string& path) : path(path) {}

    ReadStatus open();
    const std::uint8_t* nextRow() override;
    // Reads to the end of the file and collects its colour chunks.
    ReadStatus finish(PngImage& image);

private:
    ReadStatus openPass(int pass);

    std::string path;
    bool interlaced = false;
    // One reader, or one for each stored pass (the last one's reads the whole file).
    std::unique_ptr<PngDecoder> passes[passCount];
    int lastPass = 0;
    std::vector<png_byte> row;
    std::vector<png_byte> passRow;
    std::uint32_t y = 0;
};

ReadStatus PngRows::open()
{
    passes[0] = std::make_unique<PngDecoder>(path);
    status = passes[0]->open(format, interlaced);
    if (status != ReadStatus::ok)
        return status;
    row.resize(format.rowBytes());
    if (!interlaced)
        return status;
    passRow.resize(format.rowBytes());
    std::uint64_t skipped = 0;
    for (int pass = 0; pass < passCount && status == ReadStatus::ok; ++pass) {
        if (!passStored(format, pass))
            continue;
        if (!passes[pass]) {
            passes[pass] = std::make_unique<PngDecoder>(path);
            RowFormat again;
            bool alsoInterlaced = false;
            status = passes[pass]->open(again, alsoInterlaced);
        }
        for (std::uint64_t i = 0; i < skipped && status == ReadStatus::ok; ++i) {
            if (!passes[pass]->readRow(passRow.data()))
                status = ReadStatus::broken;
        }
        skipped += PNG_PASS_ROWS(format.height, pass);
        lastPass = pass;
    }
    return status;
}

const std::uint8_t* PngRows::nextRow()
{
    if (status != ReadStatus::ok || y >= format.height)
        return nullptr;
    if (!interlaced) {
        if (!passes[0]->readRow(row.data()))
            status = ReadStatus::broken;
    } else {
        const std::size_t pixelBytes = format.rowBytes() / format.width;
        for (int pass = 0; pass < passCount && status == ReadStatus::ok; ++pass) {
            if (!passStored(format, pass) || !PNG_ROW_IN_INTERLACE_PASS(y, pass))
                continue;
            if (!passes[pass]->readRow(passRow.data())) {
                status = ReadStatus::broken;
                break;
            }
            const std::uint32_t columns = PNG_PASS_COLS(format.width, pass);
            for (std::uint32_t column = 0; column < columns; ++column)
                std::memcpy(row.data() + PNG_COL_FROM_PASS_COL(column, pass) * pixelBytes,
                            passRow.data() + column * pixelBytes, pixelBytes);
        }
    }
    ++y;
    return status == ReadStatus::ok ? row.data() : nullptr;
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

ReadStatus PngRows::finish(PngImage& image)
{
    if (status != ReadStatus::ok)
        return status;
    if (!passes[lastPass])
        return status = ReadStatus::broken;
    PngDecoder& whole = *passes[lastPass];
    if (!whole.finish())
        return status = ReadStatus::broken;
    return status = collectChunks(whole.png, whole.info, image);
}

} // namespace

CheckResult samePng(const std::string& before, const std::string& after)
{
    PngImage original;
    PngRows originalRows(before);
    PngImage result;
    PngRows resultRows(after);
    originalRows.open();
    resultRows.open();
    const bool samePixels = sameRows(originalRows, resultRows);
    if (const ReadStatus status = originalRows.finish(original); status != ReadStatus::ok)
        return readFailure(status, true);
    if (const ReadStatus status = resultRows.finish(result); status != ReadStatus::ok)
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
    if (!samePixels)
        return differs("the pixels differ");
    return sameResult();
}
