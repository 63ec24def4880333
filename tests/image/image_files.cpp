#include "image_files.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <sstream>

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
#include <zlib.h>

#include "image/file_open.h"

namespace {

void put32(std::string& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>(value >> shift & 0xff);
}

void putLe16(std::string& out, std::uint16_t value)
{
    out += static_cast<char>(value & 0xff);
    out += static_cast<char>(value >> 8);
}

void putLe32(std::string& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>(value >> shift & 0xff);
}

void pngToString(png_structp png, png_bytep data, png_size_t size)
{
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), size);
}

void pngFlush(png_structp) {}

} // namespace

TestImage patternImage(std::uint32_t width, std::uint32_t height, bool withTransparency)
{
    static const std::uint8_t colours[][4] = {
        {200, 30, 40, 255}, {10, 120, 250, 255}, {90, 90, 90, 255}, {255, 255, 0, 255}};
    TestImage image{width, height, std::vector<std::uint16_t>(std::size_t{width} * height * 4)};
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint8_t* colour = colours[(x / 3 + y / 2) % 4];
            std::uint16_t* out = image.at(x, y);
            for (int c = 0; c < 4; ++c)
                out[c] = static_cast<std::uint16_t>(colour[c] * 257);
            if (withTransparency && (x + y) % 5 == 0)
                out[3] = 0;
        }
    }
    return image;
}

std::string encodePng(const TestImage& image, const PngOptions& options)
{
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, pngToString, pngFlush);
    const int wide = options.bitDepth == 16 ? 2 : 1;
    int type = PNG_COLOR_TYPE_RGB_ALPHA;
    int channels = 4;
    std::vector<png_color> palette;
    std::vector<png_byte> alphas;
    std::map<std::uint64_t, int> paletteIndex;
    if (options.colour == PngColour::rgb) {
        type = PNG_COLOR_TYPE_RGB;
        channels = 3;
    } else if (options.colour == PngColour::gray) {
        type = PNG_COLOR_TYPE_GRAY;
        channels = 1;
    } else if (options.colour == PngColour::palette) {
        type = PNG_COLOR_TYPE_PALETTE;
        channels = 1;
        for (std::size_t i = 0; i < image.rgba.size(); i += 4) {
            std::uint64_t key = 0;
            for (int c = 0; c < 4; ++c)
                key = key << 16 | image.rgba[i + c];
            if (paletteIndex.emplace(key, static_cast<int>(palette.size())).second) {
                palette.push_back({static_cast<png_byte>(image.rgba[i] >> 8),
                                   static_cast<png_byte>(image.rgba[i + 1] >> 8),
                                   static_cast<png_byte>(image.rgba[i + 2] >> 8)});
                alphas.push_back(static_cast<png_byte>(image.rgba[i + 3] >> 8));
            }
        }
    }
    png_set_IHDR(png, info, image.width, image.height, options.bitDepth, type,
                 options.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty()) {
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
        png_set_tRNS(png, info, alphas.data(), static_cast<int>(alphas.size()), nullptr);
    }
    png_set_compression_level(png, options.compressionLevel);
    png_set_filter(png, 0, options.filterNone ? PNG_FILTER_NONE : PNG_ALL_FILTERS);
    png_write_info(png, info);
    std::vector<png_byte> rows(std::size_t{image.width} * image.height * channels * wide);
    std::size_t at = 0;
    for (std::size_t i = 0; i < image.rgba.size(); i += 4) {
        if (options.colour == PngColour::palette) {
            std::uint64_t key = 0;
            for (int c = 0; c < 4; ++c)
                key = key << 16 | image.rgba[i + c];
            rows[at++] = static_cast<png_byte>(paletteIndex[key]);
            continue;
        }
        for (int c = 0; c < channels; ++c) {
            const std::uint16_t value = image.rgba[i + c];
            if (wide == 2) {
                rows[at++] = static_cast<png_byte>(value >> 8);
                rows[at++] = static_cast<png_byte>(value & 0xff);
            } else {
                rows[at++] = static_cast<png_byte>(value >> 8);
            }
        }
    }
    std::vector<png_bytep> pointers(image.height);
    for (std::uint32_t y = 0; y < image.height; ++y)
        pointers[y] = rows.data() + rows.size() / image.height * y;
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::string addPngChunk(const std::string& png, const std::string& type, const std::string& body)
{
    std::string chunk;
    put32(chunk, static_cast<std::uint32_t>(body.size()));
    chunk += type + body;
    const std::string crcInput = type + body;
    put32(chunk,
          static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(crcInput.data()),
                                           static_cast<uInt>(crcInput.size()))));
    const std::size_t afterHeader = 8 + 12 + 13;
    return png.substr(0, afterHeader) + chunk + png.substr(afterHeader);
}

std::string iccpBody(const std::string& name, const std::string& profile)
{
    uLongf size = compressBound(static_cast<uLong>(profile.size()));
    std::string packed(size, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
              reinterpret_cast<const Bytef*>(profile.data()), static_cast<uLong>(profile.size()),
              9);
    packed.resize(size);
    return name + std::string(2, '\0') + packed;
}

std::vector<std::pair<std::string, std::string>> pngChunks(const std::string& png)
{
    std::vector<std::pair<std::string, std::string>> chunks;
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        const auto* p = reinterpret_cast<const unsigned char*>(png.data() + at);
        const std::size_t length = std::size_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3];
        if (at + 12 + length > png.size())
            break;
        chunks.emplace_back(png.substr(at + 4, 4), png.substr(at + 8, length));
        at += 12 + length;
    }
    return chunks;
}

std::string testProfile(int tone, std::size_t size)
{
    std::string header;
    size = std::max<std::size_t>(size, 128 + 4 + 12 + 20);
    put32(header, static_cast<std::uint32_t>(size));
    header += "none";
    header += std::string("\x02\x10\x00\x00", 4);
    header += "mntrRGB XYZ ";
    header += std::string(12, '\0');
    header += "acspAPPL";
    header += std::string(4 + 8 + 8 + 4, '\0');
    put32(header, 0xF6D6);
    put32(header, 0x10000);
    put32(header, 0xD32D);
    header += "test";
    header += std::string(16 + 28, '\0');
    std::string tags;
    put32(tags, 1);
    tags += "wtpt";
    put32(tags, 144);
    put32(tags, 20);
    std::string body = "XYZ ";
    body += std::string(4, '\0');
    put32(body, 0xF6D6 + static_cast<std::uint32_t>(tone));
    put32(body, 0x10000);
    put32(body, 0xD32D);
    std::string profile = header + tags + body;
    profile.resize(size, 'p');
    return profile;
}

std::string exifBlock(int orientation)
{
    // IFD0: Make, Orientation, GPS pointer; then the Make text and a GPS IFD with
    // GPSLatitudeRef.
    const std::uint32_t ifd0 = 8;
    const std::uint32_t make = ifd0 + 2 + 3 * 12 + 4;
    const std::uint32_t gps = make + 8;
    std::string out = "II*";
    out += '\0';
    putLe32(out, ifd0);
    putLe16(out, 3);
    putLe16(out, 0x010f);
    putLe16(out, 2);
    putLe32(out, 7);
    putLe32(out, make);
    putLe16(out, 0x0112);
    putLe16(out, 3);
    putLe32(out, 1);
    putLe16(out, static_cast<std::uint16_t>(orientation));
    putLe16(out, 0);
    putLe16(out, 0x8825);
    putLe16(out, 4);
    putLe32(out, 1);
    putLe32(out, gps);
    putLe32(out, 0);
    out += std::string("Camera\0\0", 8);
    putLe16(out, 1);
    putLe16(out, 1);
    putLe16(out, 2);
    putLe32(out, 2);
    out += std::string("N\0\0\0", 4);
    putLe32(out, 0);
    return out;
}

std::string encodeJpeg(const TestImage& image, const JpegOptions& options)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = image.width;
    info.image_height = image.height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, options.quality, TRUE);
    if (options.progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    if (options.orientation) {
        const std::string exif = std::string("Exif\0\0", 6) + exifBlock(options.orientation);
        jpeg_write_marker(&info, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(exif.data()),
                          static_cast<unsigned>(exif.size()));
    }
    if (!options.profile.empty())
        jpeg_write_icc_profile(&info, reinterpret_cast<const JOCTET*>(options.profile.data()),
                               static_cast<unsigned>(options.profile.size()));
    if (!options.comment.empty())
        jpeg_write_marker(&info, JPEG_COM, reinterpret_cast<const JOCTET*>(options.comment.data()),
                          static_cast<unsigned>(options.comment.size()));
    std::vector<JSAMPLE> row(std::size_t{image.width} * 3);
    while (info.next_scanline < info.image_height) {
        for (std::uint32_t x = 0; x < image.width; ++x) {
            for (int c = 0; c < 3; ++c)
                row[x * 3 + c] = static_cast<JSAMPLE>(
                    image.rgba[(std::size_t{info.next_scanline} * image.width + x) * 4 + c] >> 8);
        }
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&info, &pointer, 1);
    }
    jpeg_finish_compress(&info);
    std::string out(reinterpret_cast<char*>(buffer), size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

namespace {

// Payloads of the markers before the first scan that start with header.
std::vector<std::string> jpegSegments(const std::string& jpeg, int marker,
                                      const std::string& header)
{
    std::vector<std::string> found;
    std::size_t at = 2;
    while (at + 4 <= jpeg.size() && static_cast<unsigned char>(jpeg[at]) == 0xff) {
        const int type = static_cast<unsigned char>(jpeg[at + 1]);
        if (type == 0xda)
            break;
        const std::size_t length = std::size_t{static_cast<unsigned char>(jpeg[at + 2])} << 8 |
                                   static_cast<unsigned char>(jpeg[at + 3]);
        const std::string payload = jpeg.substr(at + 4, length - 2);
        if (type == marker && payload.compare(0, header.size(), header) == 0)
            found.push_back(payload.substr(header.size()));
        at += 2 + length;
    }
    return found;
}

} // namespace

std::string jpegProfile(const std::string& jpeg)
{
    std::string profile;
    for (const std::string& segment : jpegSegments(jpeg, 0xe2, std::string("ICC_PROFILE\0", 12)))
        profile += segment.substr(2);
    return profile;
}

std::string jpegExif(const std::string& jpeg)
{
    const std::vector<std::string> found = jpegSegments(jpeg, 0xe1, std::string("Exif\0\0", 6));
    return found.empty() ? std::string() : found.front();
}

namespace {

int gifToString(GifFileType* gif, const GifByteType* data, int size)
{
    static_cast<std::string*>(gif->UserData)
        ->append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
    return size;
}

} // namespace

std::string encodeGif(std::uint32_t width, std::uint32_t height,
                      const std::vector<std::uint8_t>& palette, const std::vector<GifFrame>& frames,
                      bool interlaced, int loopCount)
{
    std::string out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, gifToString, &error);
    EGifSetGifVersion(gif, true);
    const int colours = static_cast<int>(palette.size() / 3);
    ColorMapObject* map = GifMakeMapObject(colours, nullptr);
    for (int i = 0; i < colours; ++i)
        map->Colors[i] = {palette[i * 3], palette[i * 3 + 1], palette[i * 3 + 2]};
    EGifPutScreenDesc(gif, static_cast<int>(width), static_cast<int>(height), 8, 0, map);
    if (loopCount >= 0) {
        const GifByteType loop[] = {1, static_cast<GifByteType>(loopCount & 0xff),
                                    static_cast<GifByteType>(loopCount >> 8)};
        EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
        EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0");
        EGifPutExtensionBlock(gif, 3, loop);
        EGifPutExtensionTrailer(gif);
    }
    for (const GifFrame& frame : frames) {
        GraphicsControlBlock control{};
        control.DisposalMode = frame.disposal;
        control.DelayTime = frame.delay;
        control.TransparentColor = frame.transparent;
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension);
        ColorMapObject* local = nullptr;
        if (!frame.palette.empty()) {
            const int count = static_cast<int>(frame.palette.size() / 3);
            local = GifMakeMapObject(count, nullptr);
            for (int i = 0; i < count; ++i)
                local->Colors[i] = {frame.palette[i * 3], frame.palette[i * 3 + 1],
                                    frame.palette[i * 3 + 2]};
        }
        EGifPutImageDesc(gif, static_cast<int>(frame.left), static_cast<int>(frame.top),
                         static_cast<int>(frame.width), static_cast<int>(frame.height), interlaced,
                         local);
        GifFreeMapObject(local);
        std::vector<GifByteType> row(frame.width);
        const int offsets[] = {0, 4, 2, 1};
        const int steps[] = {8, 8, 4, 2};
        for (int pass = 0; pass < (interlaced ? 4 : 1); ++pass) {
            for (std::uint32_t y = interlaced ? offsets[pass] : 0; y < frame.height;
                 y += interlaced ? steps[pass] : 1) {
                std::copy_n(frame.indices.begin() + y * frame.width, frame.width, row.begin());
                EGifPutLine(gif, row.data(), static_cast<int>(frame.width));
            }
        }
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

void writeTiff(const std::string& path, const std::vector<TestImage>& pages,
               const TiffOptions& options)
{
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    for (const TestImage& image : pages) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, image.width);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, image.height);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, options.bitsPerSample);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_COMPRESSION,
                     options.deflate ? COMPRESSION_ADOBE_DEFLATE : COMPRESSION_NONE);
        TIFFSetField(tif, TIFFTAG_ORIENTATION, options.orientation);
        if (options.tileSide) {
            TIFFSetField(tif, TIFFTAG_TILEWIDTH, options.tileSide);
            TIFFSetField(tif, TIFFTAG_TILELENGTH, options.tileSide);
        } else {
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP,
                         options.rowsPerStrip ? options.rowsPerStrip : image.height);
        }
        if (!options.profile.empty())
            TIFFSetField(tif, TIFFTAG_ICCPROFILE,
                         static_cast<std::uint32_t>(options.profile.size()),
                         options.profile.data());
        const int bytes = options.bitsPerSample / 8;
        // Samples of a pixel as stored, zero outside the image (a tile's overhang).
        const auto put = [&](std::uint8_t* out, std::uint32_t x, std::uint32_t y) {
            for (int c = 0; c < 3; ++c) {
                const std::uint16_t value =
                    x < image.width && y < image.height
                        ? image.rgba[(std::size_t{y} * image.width + x) * 4 + c]
                        : 0;
                if (bytes == 2)
                    std::memcpy(out + c * 2, &value, 2);
                else
                    out[c] = static_cast<std::uint8_t>(value >> 8);
            }
        };
        if (options.tileSide) {
            const std::uint32_t side = options.tileSide;
            std::vector<std::uint8_t> tile(std::size_t{side} * side * 3 * bytes);
            for (std::uint32_t top = 0; top < image.height; top += side) {
                for (std::uint32_t left = 0; left < image.width; left += side) {
                    for (std::uint32_t y = 0; y < side; ++y) {
                        for (std::uint32_t x = 0; x < side; ++x)
                            put(&tile[(std::size_t{y} * side + x) * 3 * bytes], left + x, top + y);
                    }
                    TIFFWriteTile(tif, tile.data(), left, top, 0, 0);
                }
            }
        } else {
            std::vector<std::uint8_t> row(std::size_t{image.width} * 3 * bytes);
            for (std::uint32_t y = 0; y < image.height; ++y) {
                for (std::uint32_t x = 0; x < image.width; ++x)
                    put(&row[std::size_t{x} * 3 * bytes], x, y);
                TIFFWriteScanline(tif, row.data(), y, 0);
            }
        }
        TIFFWriteDirectory(tif);
    }
    TIFFClose(tif);
}

std::string contentPdf(const std::vector<std::string>& pageContents)
{
    // Catalog, page tree, font, then a page and its Flate content stream for each page.
    const std::size_t pages = pageContents.size();
    std::vector<std::string> objects;
    std::string kids;
    for (std::size_t i = 0; i < pages; ++i)
        kids += std::to_string(4 + 2 * i) + " 0 R ";
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) +
                      " /MediaBox [0 0 200 200] /Resources << /Font << /F1 3 0 R >> >> >>");
    objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    for (std::size_t i = 0; i < pages; ++i) {
        objects.push_back("<< /Type /Page /Parent 2 0 R /Contents " + std::to_string(5 + 2 * i) +
                          " 0 R >>");
        const std::string& content = pageContents[i];
        uLongf size = compressBound(static_cast<uLong>(content.size()));
        std::string packed(size, '\0');
        compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
                  reinterpret_cast<const Bytef*>(content.data()),
                  static_cast<uLong>(content.size()), 1);
        packed.resize(size);
        objects.push_back("<< /Length " + std::to_string(packed.size()) +
                          " /Filter /FlateDecode >>\nstream\n" + packed + "\nendstream");
    }
    return pdfOfObjects(objects);
}

std::string minimalPdf(int pages)
{
    std::vector<std::string> objects;
    std::string kids;
    for (int i = 0; i < pages; ++i)
        kids += std::to_string(3 + i) + " 0 R ";
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) +
                      " >>");
    for (int i = 0; i < pages; ++i)
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>");
    return pdfOfObjects(objects);
}

ImageFolder::ImageFolder()
{
    // create_directory reports a name already taken, so the folder is a fresh one.
    std::random_device random;
    std::error_code error;
    for (int attempt = 0; attempt < 100 && root.empty(); ++attempt) {
        const std::filesystem::path candidate =
            std::filesystem::temp_directory_path() / ("tarnwick-image-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate, error))
            root = candidate.generic_string();
    }
    EXPECT_FALSE(root.empty());
}

ImageFolder::~ImageFolder()
{
    std::error_code ignored;
    if (!root.empty())
        std::filesystem::remove_all(systemPath(root), ignored);
}

std::string ImageFolder::write(const std::string& name, const std::string& content) const
{
    std::ofstream(systemPath(path(name)), std::ios::binary) << content;
    return path(name);
}

std::string ImageFolder::read(const std::string& name) const
{
    std::ifstream in(systemPath(path(name)), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
