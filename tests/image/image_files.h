// Real image files for the image tests, written with the reference encoders themselves, and
// small readers for what the tests inspect in them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/pdf_objects.h"

// Samples at 16 bits, RGBA interleaved.
struct TestImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint16_t> rgba;

    std::uint16_t* at(std::uint32_t x, std::uint32_t y) { return &rgba[(y * width + x) * 4]; }
};

// A few distinct opaque colours in a pattern (so a palette fits), every sample v * 257 so that 8
// and 16 bits hold the same values.
TestImage patternImage(std::uint32_t width, std::uint32_t height, bool withTransparency = false);

enum class PngColour { rgb, rgba, palette, gray };

struct PngOptions {
    PngColour colour = PngColour::rgba;
    int bitDepth = 8;
    bool interlaced = false;
    int compressionLevel = 6;
    bool filterNone = false;
};

std::string encodePng(const TestImage& image, const PngOptions& options = {});
// Inserts a chunk right after IHDR.
std::string addPngChunk(const std::string& png, const std::string& type, const std::string& body);
std::string iccpBody(const std::string& name, const std::string& profile);
// type -> body of each chunk, in file order.
std::vector<std::pair<std::string, std::string>> pngChunks(const std::string& png);

// A minimal, well-formed ICC profile; tone picks its white point so two profiles can differ;
// padded to size bytes when that is more.
std::string testProfile(int tone = 0, std::size_t size = 0);
// A little-endian EXIF block (TIFF structure) with IFD0 Make and Orientation and a GPS IFD.
std::string exifBlock(int orientation);

struct JpegOptions {
    int quality = 90;
    bool progressive = false;
    std::string profile;
    int orientation = 0; // 0: no EXIF
    std::string comment;
};
std::string encodeJpeg(const TestImage& image, const JpegOptions& options = {});
// The APP2 ICC_PROFILE payloads joined, and the Exif APP1 payload after its header.
std::string jpegProfile(const std::string& jpeg);
std::string jpegExif(const std::string& jpeg);

struct GifFrame {
    std::uint32_t left = 0, top = 0, width = 0, height = 0;
    std::vector<std::uint8_t> indices;
    int delay = 10;
    int transparent = -1;
    int disposal = 0;
    // A local colour table (RGB triples, a power of two entries), or none.
    std::vector<std::uint8_t> palette = {};
};
// palette: RGB triples, 2..256 entries (a power of two). loopCount: the NETSCAPE2.0 block's
// count, -1 for none.
std::string encodeGif(std::uint32_t width, std::uint32_t height,
                      const std::vector<std::uint8_t>& palette, const std::vector<GifFrame>& frames,
                      bool interlaced = false, int loopCount = -1);

struct TiffOptions {
    int bitsPerSample = 8;
    bool deflate = false;
    std::string profile;
    int orientation = 1;
    std::uint32_t rowsPerStrip = 0; // 0: one strip
    std::uint32_t tileSide = 0; // square tiles of this side (a multiple of 16) instead of strips
};
// One page per image, RGB (alpha dropped).
void writeTiff(const std::string& path, const std::vector<TestImage>& pages,
               const TiffOptions& options = {});

std::string minimalPdf(int pages);
// One page per entry, each with that content stream (Flate) and a shared font resource.
std::string contentPdf(const std::vector<std::string>& pageContents);

// The files are written under one fresh temporary folder, removed at the end.
class ImageFolder {
public:
    ImageFolder();
    ~ImageFolder();
    ImageFolder(const ImageFolder&) = delete;
    ImageFolder& operator=(const ImageFolder&) = delete;

    std::string write(const std::string& name, const std::string& content) const;
    std::string read(const std::string& name) const;
    std::string path(const std::string& name) const { return root + "/" + name; }

private:
    std::string root;
};
