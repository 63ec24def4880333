#include "image/kind_checks.h"

#include <algorithm>
#include <cstdarg>
#include <memory>
#include <vector>

#include <tiffio.h>

#include "image/file_open.h"
#include "image/raster.h"

namespace {

// One directory (page). Above 8 bits per sample the RGBA reading keeps only the high byte, so
// such pages are also compared sample for sample as stored.
struct TiffPage {
    Raster rgba;
    bool hasRaw = false;
    Raster raw;
    std::uint16_t photometric = 0;
    // The RGBA reading keeps only the high byte of a 16-bit colour map too.
    std::vector<std::uint16_t> colourMap;
    std::string profile;
    // White point and primaries, the TIFF counterpart of PNG's cHRM.
    std::vector<float> chromaticities;
    int orientation = ORIENTATION_TOPLEFT;
};

// libtiff reports through these instead of standard error; errors also fail the call itself.
int quietHandler(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};

struct OptionsFreer {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

std::unique_ptr<TIFF, TiffCloser> openQuietly(const std::string& path)
{
    std::unique_ptr<TIFFOpenOptions, OptionsFreer> options(TIFFOpenOptionsAlloc());
    if (!options)
        return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), quietHandler, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), quietHandler, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(maxPixels * 8));
#ifdef _WIN32
    TIFF* tif = TIFFOpenWExt(systemPath(path).c_str(), "rm", options.get());
#else
    TIFF* tif = TIFFOpenExt(path.c_str(), "rm", options.get());
#endif
    return std::unique_ptr<TIFF, TiffCloser>(tif);
}

ReadStatus readRgba(TIFF* tif, TiffPage& page)
{
    char message[1024];
    if (!TIFFRGBAImageOK(tif, message))
        return ReadStatus::unsupported;
    Raster& raster = page.rgba;
    raster.samples.resize(std::size_t{raster.width} * raster.height * 4);
    // The raster comes as packed ABGR words in host order; turning them into bytes keeps the
    // layout the same on any machine.
    std::vector<std::uint32_t> words(std::size_t{raster.width} * raster.height);
    if (!TIFFReadRGBAImageOriented(tif, raster.width, raster.height, words.data(),
                                   ORIENTATION_TOPLEFT, 1))
        return ReadStatus::broken;
    for (std::size_t i = 0; i < words.size(); ++i) {
        raster.samples[i * 4] = static_cast<std::uint8_t>(TIFFGetR(words[i]));
        raster.samples[i * 4 + 1] = static_cast<std::uint8_t>(TIFFGetG(words[i]));
        raster.samples[i * 4 + 2] = static_cast<std::uint8_t>(TIFFGetB(words[i]));
        raster.samples[i * 4 + 3] = static_cast<std::uint8_t>(TIFFGetA(words[i]));
    }
    return ReadStatus::ok;
}

// The decoded samples as stored (native byte order), rows top to bottom; interleaved pages only.
ReadStatus readRaw(TIFF* tif, TiffPage& page, std::uint16_t bits, std::uint16_t samplesPerPixel)
{
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    if (planar != PLANARCONFIG_CONTIG)
        return ReadStatus::unsupported;
    Raster& raster = page.raw;
    raster.model = SampleModel::raw;
    raster.width = page.rgba.width;
    raster.height = page.rgba.height;
    raster.channels = samplesPerPixel;
    raster.depth = bits;
    const std::uint64_t rowBytes = (std::uint64_t{raster.width} * samplesPerPixel * bits + 7) / 8;
    raster.samples.resize(rowBytes * raster.height);
    if (TIFFIsTiled(tif)) {
        std::uint32_t tileWidth = 0;
        std::uint32_t tileHeight = 0;
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
        const tmsize_t tileSize = TIFFTileSize(tif);
        const std::uint64_t tileRowBytes =
            (std::uint64_t{tileWidth} * samplesPerPixel * bits + 7) / 8;
        if (tileWidth == 0 || tileHeight == 0 || tileSize <= 0 ||
            std::uint64_t(tileSize) < tileRowBytes * tileHeight || bits % 8 != 0)
            return ReadStatus::unsupported;
        std::vector<std::uint8_t> tile(static_cast<std::size_t>(tileSize));
        const std::uint64_t pixelBytes = std::uint64_t{samplesPerPixel} * bits / 8;
        for (std::uint32_t y = 0; y < raster.height; y += tileHeight) {
            for (std::uint32_t x = 0; x < raster.width; x += tileWidth) {
                if (TIFFReadTile(tif, tile.data(), x, y, 0, 0) < 0)
                    return ReadStatus::broken;
                const std::uint32_t rows = std::min(tileHeight, raster.height - y);
                const std::uint64_t bytes = std::min(tileWidth, raster.width - x) * pixelBytes;
                for (std::uint32_t row = 0; row < rows; ++row)
                    std::copy_n(tile.data() + row * tileRowBytes, bytes,
                                raster.samples.data() + (y + row) * rowBytes + x * pixelBytes);
            }
        }
        return ReadStatus::ok;
    }
    if (std::uint64_t(TIFFScanlineSize64(tif)) != rowBytes)
        return ReadStatus::unsupported;
    // Whole strips rather than scanlines: the RGBA reading before leaves the scanline state at
    // the end of the image.
    std::uint32_t rowsPerStrip = raster.height;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::clamp<std::uint32_t>(rowsPerStrip, 1, raster.height);
    const std::uint32_t strips = (raster.height + rowsPerStrip - 1) / rowsPerStrip;
    if (TIFFNumberOfStrips(tif) < strips)
        return ReadStatus::broken;
    for (std::uint32_t strip = 0; strip < strips; ++strip) {
        const std::uint64_t offset = std::uint64_t{strip} * rowsPerStrip * rowBytes;
        const std::uint64_t size = std::min<std::uint64_t>(std::uint64_t{rowsPerStrip} * rowBytes,
                                                           raster.samples.size() - offset);
        if (TIFFReadEncodedStrip(tif, strip, raster.samples.data() + offset,
                                 static_cast<tmsize_t>(size)) != static_cast<tmsize_t>(size))
            return ReadStatus::broken;
    }
    return ReadStatus::ok;
}

ReadStatus readPage(TIFF* tif, TiffPage& page)
{
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height) || width == 0 || height == 0)
        return ReadStatus::broken;
    if (std::uint64_t{width} * height > maxPixels)
        return ReadStatus::tooLarge;
    page.rgba.width = width;
    page.rgba.height = height;
    std::uint16_t bits = 1;
    std::uint16_t samplesPerPixel = 1;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samplesPerPixel);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PHOTOMETRIC, &page.photometric);
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    page.orientation = orientation;
    std::uint32_t profileSize = 0;
    void* profile = nullptr;
    if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &profileSize, &profile) && profile)
        page.profile.assign(static_cast<const char*>(profile), profileSize);

    float* whitePoint = nullptr;
    if (TIFFGetField(tif, TIFFTAG_WHITEPOINT, &whitePoint) && whitePoint)
        page.chromaticities.assign(whitePoint, whitePoint + 2);
    float* primaries = nullptr;
    if (TIFFGetField(tif, TIFFTAG_PRIMARYCHROMATICITIES, &primaries) && primaries)
        page.chromaticities.insert(page.chromaticities.end(), primaries, primaries + 6);
    std::uint16_t* red = nullptr;
    std::uint16_t* green = nullptr;
    std::uint16_t* blue = nullptr;
    if (page.photometric == PHOTOMETRIC_PALETTE && bits <= 16 &&
        TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) && red && green && blue) {
        const std::size_t entries = std::size_t{1} << bits;
        page.colourMap.assign(red, red + entries);
        page.colourMap.insert(page.colourMap.end(), green, green + entries);
        page.colourMap.insert(page.colourMap.end(), blue, blue + entries);
    }

    const ReadStatus rgba = readRgba(tif, page);
    if (rgba == ReadStatus::broken)
        return rgba;
    if (bits <= 8 && rgba == ReadStatus::ok)
        return ReadStatus::ok;
    const ReadStatus raw = readRaw(tif, page, bits, samplesPerPixel);
    page.hasRaw = raw == ReadStatus::ok;
    return raw;
}

ReadStatus readTiff(const std::string& path, std::vector<TiffPage>& pages)
{
    std::unique_ptr<TIFF, TiffCloser> tif = openQuietly(path);
    if (!tif)
        return ReadStatus::broken;
    for (;;) {
        pages.emplace_back();
        if (const ReadStatus status = readPage(tif.get(), pages.back()); status != ReadStatus::ok)
            return status;
        if (TIFFLastDirectory(tif.get()))
            return ReadStatus::ok;
        // A chain that points to a next page it cannot read ends in damage, not in the file's end.
        if (!TIFFReadDirectory(tif.get()))
            return ReadStatus::broken;
    }
}

} // namespace

CheckResult sameTiff(const std::string& before, const std::string& after)
{
    std::vector<TiffPage> original;
    if (const ReadStatus status = readTiff(before, original); status != ReadStatus::ok)
        return readFailure(status, true);
    std::vector<TiffPage> result;
    if (const ReadStatus status = readTiff(after, result); status != ReadStatus::ok)
        return readFailure(status, false);
    if (original.size() != result.size())
        return differs("the page count changed");
    for (std::size_t i = 0; i < original.size(); ++i) {
        if (original[i].profile != result[i].profile)
            return differs("the colour profile changed");
        if (original[i].chromaticities != result[i].chromaticities)
            return differs("the chromaticities changed");
        if (original[i].orientation != result[i].orientation)
            return differs("the orientation changed");
    }
    for (std::size_t i = 0; i < original.size(); ++i) {
        const TiffPage& one = original[i];
        const TiffPage& other = result[i];
        if (!sameSamples(one.rgba, other.rgba) || one.colourMap != other.colourMap ||
            one.hasRaw != other.hasRaw ||
            (one.hasRaw &&
             (one.photometric != other.photometric || !sameSamples(one.raw, other.raw))))
            return differs("the pixels differ");
    }
    return sameResult();
}
