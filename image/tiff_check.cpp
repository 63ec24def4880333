#include "image/kind_checks.h"

#include <algorithm>
#include <cstdarg>
#include <memory>
#include <vector>

#include <tiffio.h>

#include "image/raster.h"
#include "image/tiff_open.h"

namespace {

// One directory (page) as read before its pixels. Above 8 bits per sample the RGBA reading keeps
// only the high byte, so such pages are also compared sample for sample as stored.
struct TiffPage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bits = 1;
    std::uint16_t samplesPerPixel = 1;
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
    return std::unique_ptr<TIFF, TiffCloser>(openTiffForReading(path, options.get()));
}

// Rows are read in bands of whole strips or tiles of at least this many bytes.
constexpr std::size_t bandBytes = std::size_t{256} << 10;
// A strip or tile decoded whole may take no more than this: a page stored as one large strip is
// read a scanline at a time instead, and one of larger tiles is not read.
constexpr std::size_t largestUnit = std::size_t{12} << 20;

// The rows of a page through libtiff's RGBA reading, a band of whole strips or tile rows at a
// time, in the order stored: the files' orientations are compared apart. A page whose strips or
// tiles are larger than largestUnit is not read this way (tooLarge).
class TiffRgbaRows : public RowSource {
public:
    TiffRgbaRows(TIFF* tif, const TiffPage& page)
    {
        format.width = page.width;
        format.height = page.height;
        char message[1024];
        if (!TIFFRGBAImageOK(tif, message) || !TIFFRGBAImageBegin(&image, tif, 1, message)) {
            status = ReadStatus::unsupported;
            return;
        }
        begun = true;
        image.req_orientation = static_cast<std::uint16_t>(page.orientation);
        std::uint32_t unit = page.height;
        if (TIFFIsTiled(tif))
            TIFFGetField(tif, TIFFTAG_TILELENGTH, &unit);
        else
            TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &unit);
        unit = std::clamp<std::uint32_t>(unit, 1, page.height);
        const std::size_t unitBytes = std::size_t{unit} * page.width * 4;
        if (unitBytes > largestUnit) {
            status = ReadStatus::tooLarge;
            return;
        }
        const std::size_t units = std::max<std::size_t>(1, bandBytes / unitBytes);
        bandRows = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(std::uint64_t{unit} * units, page.height));
        words.resize(std::size_t{bandRows} * page.width);
        row.resize(format.rowBytes());
    }
    ~TiffRgbaRows() override
    {
        if (begun)
            TIFFRGBAImageEnd(&image);
    }
    TiffRgbaRows(const TiffRgbaRows&) = delete;
    TiffRgbaRows& operator=(const TiffRgbaRows&) = delete;

    const std::uint8_t* nextRow() override
    {
        if (status != ReadStatus::ok || y >= format.height)
            return nullptr;
        if (y == bandStart + bandHeight) {
            bandStart = y;
            bandHeight = std::min(bandRows, format.height - y);
            image.row_offset = static_cast<int>(y);
            image.col_offset = 0;
            if (!TIFFRGBAImageGet(&image, words.data(), format.width, bandHeight)) {
                status = ReadStatus::broken;
                return nullptr;
            }
        }
        // The raster comes as packed ABGR words in host order; turning them into bytes keeps
        // the layout the same on any machine.
        const std::uint32_t* in = words.data() + std::size_t{y - bandStart} * format.width;
        for (std::uint32_t x = 0; x < format.width; ++x) {
            row[x * 4] = static_cast<std::uint8_t>(TIFFGetR(in[x]));
            row[x * 4 + 1] = static_cast<std::uint8_t>(TIFFGetG(in[x]));
            row[x * 4 + 2] = static_cast<std::uint8_t>(TIFFGetB(in[x]));
            row[x * 4 + 3] = static_cast<std::uint8_t>(TIFFGetA(in[x]));
        }
        ++y;
        return row.data();
    }

private:
    TIFFRGBAImage image{};
    bool begun = false;
    std::uint32_t bandRows = 0;
    std::uint32_t bandStart = 0;
    std::uint32_t bandHeight = 0;
    std::uint32_t y = 0;
    std::vector<std::uint32_t> words;
    std::vector<std::uint8_t> row;
};

// The decoded samples as stored (native byte order), rows top to bottom, a strip or a row of tiles
// at a time; interleaved pages only.
class TiffRawRows : public RowSource {
public:
    TiffRawRows(TIFF* tif, const TiffPage& page) : tif(tif)
    {
        std::uint16_t planar = PLANARCONFIG_CONTIG;
        TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
        format.model = SampleModel::raw;
        format.width = page.width;
        format.height = page.height;
        format.channels = page.samplesPerPixel;
        format.depth = page.bits;
        if (planar != PLANARCONFIG_CONTIG) {
            status = ReadStatus::unsupported;
            return;
        }
        rowBytes = format.rowBytes();
        tiled = TIFFIsTiled(tif);
        if (tiled) {
            TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
            TIFFGetField(tif, TIFFTAG_TILELENGTH, &bandRows);
            const tmsize_t tileSize = TIFFTileSize(tif);
            tileRowBytes = (std::uint64_t{tileWidth} * page.samplesPerPixel * page.bits + 7) / 8;
            if (tileWidth == 0 || bandRows == 0 || tileSize <= 0 ||
                std::uint64_t(tileSize) < tileRowBytes * bandRows || page.bits % 8 != 0) {
                status = ReadStatus::unsupported;
                return;
            }
            if (std::uint64_t(tileSize) > largestUnit ||
                std::uint64_t{rowBytes} * bandRows > largestUnit) {
                status = ReadStatus::tooLarge;
                return;
            }
            tile.resize(static_cast<std::size_t>(tileSize));
        } else {
            if (std::uint64_t(TIFFScanlineSize64(tif)) != rowBytes) {
                status = ReadStatus::unsupported;
                return;
            }
            bandRows = page.height;
            TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &bandRows);
            bandRows = std::clamp<std::uint32_t>(bandRows, 1, page.height);
            if (TIFFNumberOfStrips(tif) < (page.height + bandRows - 1) / bandRows) {
                status = ReadStatus::broken;
                return;
            }
            // libtiff decodes a scanline of a large strip without holding the strip.
            scanlines = std::uint64_t{rowBytes} * bandRows > largestUnit;
            if (scanlines)
                bandRows = 1;
        }
        bandRows = std::clamp<std::uint32_t>(bandRows, 1, page.height);
        band.resize(rowBytes * bandRows);
    }

    const std::uint8_t* nextRow() override
    {
        if (status != ReadStatus::ok || y >= format.height)
            return nullptr;
        if (y == bandStart + bandHeight) {
            bandStart = y;
            bandHeight = std::min(bandRows, format.height - y);
            const bool read = tiled       ? readTileRow()
                              : scanlines ? TIFFReadScanline(tif, band.data(), y, 0) >= 0
                                          : readStrip();
            if (!read) {
                status = ReadStatus::broken;
                return nullptr;
            }
        }
        return band.data() + std::size_t{y++ - bandStart} * rowBytes;
    }

private:
    // Whole strips rather than scanlines: the RGBA reading before leaves the scanline state at
    // the end of the image.
    bool readStrip()
    {
        const tmsize_t size = static_cast<tmsize_t>(std::size_t{bandHeight} * rowBytes);
        return TIFFReadEncodedStrip(tif, bandStart / bandRows, band.data(), size) == size;
    }

    bool readTileRow()
    {
        const std::uint64_t pixelBytes =
            static_cast<std::uint64_t>(format.channels * format.depth / 8);
        for (std::uint32_t x = 0; x < format.width; x += tileWidth) {
            if (TIFFReadTile(tif, tile.data(), x, bandStart, 0, 0) < 0)
                return false;
            const std::uint64_t bytes = std::min(tileWidth, format.width - x) * pixelBytes;
            for (std::uint32_t row = 0; row < bandHeight; ++row)
                std::copy_n(tile.data() + row * tileRowBytes, bytes,
                            band.data() + row * rowBytes + x * pixelBytes);
        }
        return true;
    }

    TIFF* tif;
    bool tiled = false;
    bool scanlines = false;
    std::size_t rowBytes = 0;
    std::uint32_t tileWidth = 0;
    std::uint64_t tileRowBytes = 0;
    std::uint32_t bandRows = 0;
    std::uint32_t bandStart = 0;
    std::uint32_t bandHeight = 0;
    std::uint32_t y = 0;
    std::vector<std::uint8_t> tile;
    std::vector<std::uint8_t> band;
};

ReadStatus readPageTags(TIFF* tif, TiffPage& page)
{
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &page.width) ||
        !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &page.height) || page.width == 0 ||
        page.height == 0)
        return ReadStatus::broken;
    if (std::uint64_t{page.width} * page.height > maxPixels)
        return ReadStatus::tooLarge;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &page.bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &page.samplesPerPixel);
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
    if (page.photometric == PHOTOMETRIC_PALETTE && page.bits <= 16 &&
        TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) && red && green && blue) {
        const std::size_t entries = std::size_t{1} << page.bits;
        page.colourMap.assign(red, red + entries);
        page.colourMap.insert(page.colourMap.end(), green, green + entries);
        page.colourMap.insert(page.colourMap.end(), blue, blue + entries);
    }
    return ReadStatus::ok;
}

// A file's pages: their tags first, then their pixels one page at a time.
class TiffFile {
public:
    explicit TiffFile(const std::string& path) : tif(openQuietly(path))
    {
        status = tif ? readTags() : ReadStatus::broken;
    }

    ReadStatus status = ReadStatus::ok;
    std::vector<TiffPage> pages;
    TIFF* handle() const { return tif.get(); }

    // Sets the file to one page for reading its pixels; false when it cannot.
    bool select(std::size_t page) { return TIFFSetDirectory(tif.get(), static_cast<tdir_t>(page)); }

private:
    ReadStatus readTags()
    {
        for (;;) {
            pages.emplace_back();
            if (const ReadStatus read = readPageTags(tif.get(), pages.back());
                read != ReadStatus::ok)
                return read;
            if (TIFFLastDirectory(tif.get()))
                return ReadStatus::ok;
            // A chain that points to a next page it cannot read ends in damage, not in the file's
            // end.
            if (!TIFFReadDirectory(tif.get()))
                return ReadStatus::broken;
        }
    }

    std::unique_ptr<TIFF, TiffCloser> tif;
};

// Compares one page of each file: the RGBA reading, then, where that is not enough (above 8 bits,
// or what the RGBA reading cannot show), the samples as stored. Reads both pages whole also after a
// difference, so damage anywhere in them still shows.
bool samePagePixels(TiffFile& one, std::size_t onePage, TiffFile& other, std::size_t otherPage)
{
    const TiffPage& a = one.pages[onePage];
    const TiffPage& b = other.pages[otherPage];
    bool same = a.colourMap == b.colourMap;
    bool rawNeeded[2] = {a.bits > 8, b.bits > 8};
    TiffFile* files[2] = {&one, &other};
    const std::size_t pageOf[2] = {onePage, otherPage};
    for (int i = 0; i < 2; ++i) {
        if (!files[i]->select(pageOf[i]))
            files[i]->status = ReadStatus::broken;
    }
    if (one.status != ReadStatus::ok || other.status != ReadStatus::ok)
        return false;
    {
        TiffRgbaRows oneRows(one.handle(), a);
        TiffRgbaRows otherRows(other.handle(), b);
        if (oneRows.status == ReadStatus::tooLarge || otherRows.status == ReadStatus::tooLarge) {
            // One of them would take too much memory this way: both compare as stored.
            rawNeeded[0] = rawNeeded[1] = true;
        } else {
            const bool bothRead =
                oneRows.status == ReadStatus::ok && otherRows.status == ReadStatus::ok;
            same = sameRows(oneRows, otherRows) && same;
            // Two pages the RGBA reading cannot show are not different for that.
            if (!bothRead && oneRows.status == otherRows.status)
                same = a.colourMap == b.colourMap;
            TiffRgbaRows* rows[2] = {&oneRows, &otherRows};
            for (int i = 0; i < 2; ++i) {
                if (rows[i]->status == ReadStatus::broken)
                    files[i]->status = ReadStatus::broken;
                else if (rows[i]->status != ReadStatus::ok)
                    rawNeeded[i] = true;
            }
        }
    }
    if (one.status != ReadStatus::ok || other.status != ReadStatus::ok)
        return false;
    if (!rawNeeded[0] && !rawNeeded[1])
        return same;
    std::unique_ptr<TiffRawRows> raw[2];
    for (int i = 0; i < 2; ++i) {
        if (!rawNeeded[i])
            continue;
        if (!files[i]->select(pageOf[i])) {
            files[i]->status = ReadStatus::broken;
            continue;
        }
        raw[i] = std::make_unique<TiffRawRows>(files[i]->handle(), files[i]->pages[pageOf[i]]);
    }
    if (raw[0] && raw[1]) {
        same = sameRows(*raw[0], *raw[1]) && same && a.photometric == b.photometric;
    } else {
        // Only one page needs its stored samples: the two do not compare alike.
        same = false;
        for (int i = 0; i < 2; ++i) {
            if (raw[i])
                sameRows(*raw[i], *raw[i]);
        }
    }
    for (int i = 0; i < 2; ++i) {
        if (raw[i] && raw[i]->status != ReadStatus::ok)
            files[i]->status = raw[i]->status;
    }
    return same;
}

} // namespace

CheckResult sameTiff(const std::string& before, const std::string& after)
{
    TiffFile original(before);
    TiffFile result(after);
    bool samePixels = true;
    if (original.status == ReadStatus::ok && result.status == ReadStatus::ok) {
        const std::size_t common = std::min(original.pages.size(), result.pages.size());
        for (std::size_t i = 0; i < common; ++i)
            samePixels = samePagePixels(original, i, result, i) && samePixels;
    }
    if (original.status != ReadStatus::ok)
        return readFailure(original.status, true);
    if (result.status != ReadStatus::ok)
        return readFailure(result.status, false);
    if (original.pages.size() != result.pages.size())
        return differs("the page count changed");
    for (std::size_t i = 0; i < original.pages.size(); ++i) {
        const TiffPage& one = original.pages[i];
        const TiffPage& other = result.pages[i];
        if (one.profile != other.profile)
            return differs("the colour profile changed");
        if (one.chromaticities != other.chromaticities)
            return differs("the chromaticities changed");
        if (one.orientation != other.orientation)
            return differs("the orientation changed");
    }
    if (!samePixels)
        return differs("the pixels differ");
    return sameResult();
}
