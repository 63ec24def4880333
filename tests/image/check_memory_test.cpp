// A check's memory must not grow with the image: the peak resident size of a child process that
// compares two 8000 x 8000 files stays under 64 MB. Files are written row by row, so the test
// itself stays small too.
#include "image/image_check.h"

#include <csetjmp>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>

#include "image_files.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TARNWICK_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) ||                         \
    __has_feature(memory_sanitizer)
#define TARNWICK_SANITIZED 1
#endif
#endif

namespace {

constexpr std::uint32_t side = 8000;
constexpr long limitKilobytes = 64 * 1024;

// Large flat areas of four colours, the kind of picture that compresses to little and decodes to
// a lot.
std::uint8_t colourIndex(std::uint32_t x, std::uint32_t y)
{
    return static_cast<std::uint8_t>((x / 37 + y / 23) % 4);
}

const std::uint8_t colours[4][3] = {{200, 30, 40}, {10, 120, 250}, {90, 90, 90}, {255, 255, 0}};

void writePng(const std::string& path, bool interlaced, bool palette)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, side, side, 8, palette ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (palette) {
        png_color table[4];
        for (int i = 0; i < 4; ++i)
            table[i] = {colours[i][0], colours[i][1], colours[i][2]};
        png_set_PLTE(png, info, table, 4);
    }
    png_write_info(png, info);
    const int passes = interlaced ? png_set_interlace_handling(png) : 1;
    std::vector<png_byte> row(std::size_t{side} * 3);
    for (int pass = 0; pass < passes; ++pass) {
        for (std::uint32_t y = 0; y < side; ++y) {
            for (std::uint32_t x = 0; x < side; ++x) {
                const std::uint8_t index = colourIndex(x, y);
                if (palette)
                    row[x] = index;
                else
                    std::copy_n(colours[index], 3, &row[x * 3]);
            }
            png_write_row(png, row.data());
        }
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

void writeJpeg(const std::string& path, bool optimised, bool progressive = false,
               std::uint32_t width = side, std::uint32_t height = side)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    info.optimize_coding = optimised ? TRUE : FALSE;
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(std::size_t{width} * 3);
    while (info.next_scanline < info.image_height) {
        for (std::uint32_t x = 0; x < width; ++x)
            std::copy_n(colours[colourIndex(x, info.next_scanline)], 3, &row[x * 3]);
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&info, &pointer, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(file);
}

void writeTiff(const std::string& path, std::uint32_t rowsPerStrip, bool oddLastPixel = false)
{
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, side);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, side);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    std::vector<std::uint8_t> row(std::size_t{side} * 3);
    for (std::uint32_t y = 0; y < side; ++y) {
        for (std::uint32_t x = 0; x < side; ++x)
            std::copy_n(colours[colourIndex(x, y)], 3, &row[x * 3]);
        if (oddLastPixel && y == side - 1)
            row[row.size() - 1] ^= 1;
        TIFFWriteScanline(tif, row.data(), y, 0);
    }
    TIFFClose(tif);
}

void writeGif(const std::string& path, std::uint32_t gifSide, bool interlaced)
{
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    ASSERT_NE(gif, nullptr);
    EGifSetGifVersion(gif, true);
    ColorMapObject* map = GifMakeMapObject(4, nullptr);
    for (int i = 0; i < 4; ++i)
        map->Colors[i] = {colours[i][0], colours[i][1], colours[i][2]};
    const int size = static_cast<int>(gifSide);
    EGifPutScreenDesc(gif, size, size, 8, 0, map);
    // Two frames, the second undone afterwards: its saved area is the whole canvas.
    for (int frame = 0; frame < 2; ++frame) {
        GraphicsControlBlock control{};
        control.DisposalMode = frame == 0 ? DISPOSE_PREVIOUS : DISPOSAL_UNSPECIFIED;
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension);
        EGifPutImageDesc(gif, 0, 0, size, size, interlaced, nullptr);
        std::vector<GifByteType> row(gifSide);
        const int offsets[] = {0, 4, 2, 1};
        const int steps[] = {8, 8, 4, 2};
        for (int pass = 0; pass < (interlaced ? 4 : 1); ++pass) {
            for (int y = interlaced ? offsets[pass] : 0; y < size;
                 y += interlaced ? steps[pass] : 1) {
                for (std::uint32_t x = 0; x < gifSide; ++x)
                    row[x] = colourIndex(x + static_cast<std::uint32_t>(frame),
                                         static_cast<std::uint32_t>(y));
                EGifPutLine(gif, row.data(), size);
            }
        }
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
}

struct ChildRun {
    bool same = false;
    long peakKilobytes = 0;
    bool refused = false; // found too large to check
};

// Runs the comparison in a child process, whose peak resident size is its own.
ChildRun inChild(const std::function<bool()>& work)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(work() ? 0 : 1);
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    return {WIFEXITED(status) && WEXITSTATUS(status) == 0, usage.ru_maxrss};
}

// sameImage in a child: exit status 0 same, 2 refused as too large, 1 otherwise.
ChildRun checkInChild(const std::string& before, const std::string& after)
{
    const pid_t child = ::fork();
    if (child == 0) {
        const CheckResult result = sameImage(before, after);
        ::_exit(result.same ? 0 : result.reason == "the image is too large to check" ? 2 : 1);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return {code == 0, usage.ru_maxrss, code == 2};
}

class CheckMemory : public ::testing::Test {
protected:
    void SetUp() override
    {
#ifdef TARNWICK_SANITIZED
        GTEST_SKIP() << "resident size means nothing under a sanitizer";
#endif
    }

    ImageFolder folder;
};

TEST_F(CheckMemory, LargeImagesAreComparedInLittleMemory)
{
    const long idle = inChild([] { return true; }).peakKilobytes;
    writePng(folder.path("plain.png"), false, false);
    writePng(folder.path("interlaced.png"), true, true);
    writeJpeg(folder.path("plain.jpg"), false);
    writeJpeg(folder.path("optimised.jpg"), true);
    writeTiff(folder.path("strips.tif"), 8);
    writeTiff(folder.path("bigger-strips.tif"), 64);
    writeJpeg(folder.path("progressive.jpg"), true, true);
    writeJpeg(folder.path("photo.jpg"), false, false, 4000, 3000);
    writeJpeg(folder.path("photo-progressive.jpg"), true, true, 4000, 3000);
    writeTiff(folder.path("one-strip.tif"), side);
    writeTiff(folder.path("one-strip-odd.tif"), side, true);
    const struct {
        const char* before;
        const char* after;
        bool same;
        bool refused; // cannot be checked in bounded memory: refused, never decoded whole
    } pairs[] = {
        {"plain.png", "interlaced.png", true, false},
        {"plain.jpg", "optimised.jpg", true, false},
        {"strips.tif", "bigger-strips.tif", true, false},
        // Its coefficients, held whole by the decoder, would take 192 MB.
        {"plain.jpg", "progressive.jpg", false, true},
        // A 12-megapixel photo made progressive: 36 MB of coefficients, held for one file only.
        {"photo.jpg", "photo-progressive.jpg", true, false},
        {"strips.tif", "one-strip.tif", true, false},
        {"one-strip.tif", "one-strip.tif", true, false},
        // Read a scanline at a time, its last sample still counts.
        {"strips.tif", "one-strip-odd.tif", false, false},
    };
    for (const auto& pair : pairs) {
        const std::string before = folder.path(pair.before);
        const std::string after = folder.path(pair.after);
        const ChildRun run = checkInChild(before, after);
        EXPECT_EQ(run.same, pair.same) << pair.after;
        EXPECT_EQ(run.refused, pair.refused) << pair.after;
        EXPECT_LT(run.peakKilobytes, limitKilobytes) << pair.after << " (idle " << idle << " KB)";
        std::printf("%s against %s: peak %ld KB (an idle child %ld KB)\n", pair.before, pair.after,
                    run.peakKilobytes, idle);
    }
}

// A GIF's canvas is as large as the image: one byte a pixel for each file while the colours fit,
// twice that while a frame's area is kept to be undone. At 3000 x 3000 that is under the limit.
TEST_F(CheckMemory, GifCanvasTakesOneBytePerPixel)
{
    writeGif(folder.path("plain.gif"), 3000, false);
    writeGif(folder.path("interlaced.gif"), 3000, true);
    const std::string before = folder.path("plain.gif");
    const std::string after = folder.path("interlaced.gif");
    const ChildRun run = checkInChild(before, after);
    EXPECT_TRUE(run.same);
    EXPECT_LT(run.peakKilobytes, limitKilobytes);
    std::printf("3000 x 3000 GIF: peak %ld KB\n", run.peakKilobytes);
}

// A canvas larger than a check may hold is refused before it is made.
TEST_F(CheckMemory, GifCanvasTooLargeForTheLimitIsRefused)
{
    writeGif(folder.path("plain.gif"), 6000, false);
    writeGif(folder.path("interlaced.gif"), 6000, true);
    const ChildRun run = checkInChild(folder.path("plain.gif"), folder.path("interlaced.gif"));
    EXPECT_TRUE(run.refused);
    EXPECT_LT(run.peakKilobytes, limitKilobytes);
    std::printf("6000 x 6000 GIF: peak %ld KB\n", run.peakKilobytes);
}

} // namespace
