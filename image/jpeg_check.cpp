#include "image/kind_checks.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include <jpeglib.h>

#include "image/exif_orientation.h"
#include "image/file_open.h"
#include "image/raster.h"

namespace {

constexpr int app1 = JPEG_APP0 + 1;
constexpr int app2 = JPEG_APP0 + 2;
constexpr char exifHeader[] = "Exif\0";
constexpr std::size_t exifHeaderSize = 6;
constexpr char iccHeader[] = "ICC_PROFILE";
// "ICC_PROFILE\0", then the sequence number and the count of segments.
constexpr std::size_t iccHeaderSize = 14;

struct JpegImage {
    // The ICC profile as its APP2 segments joined in sequence order.
    std::string profile;
    int orientation = 1;
    // What the decoder made of the colour markers; with the samples compared, a change here
    // means the same samples would be shown differently.
    int colourSpace = 0;
    bool adobeMarker = false;
    int adobeTransform = 0;
};

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    // libjpeg only warns about corrupt or truncated data and fills the rest with grey, which is
    // still no image to trust.
    bool warned;
};

[[noreturn]] void jpegErrorExit(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

void jpegMessage(j_common_ptr info, int level)
{
    if (level < 0)
        reinterpret_cast<JpegError*>(info->err)->warned = true;
}

struct JpegRead {
    jpeg_decompress_struct info{};
    JpegError error{};
    std::vector<std::pair<int, std::string>> iccSegments;
    JpegImage* image = nullptr;
};

void keepMarkers(JpegRead* read)
{
    JpegImage& image = *read->image;
    bool exifSeen = false;
    for (jpeg_saved_marker_ptr marker = read->info.marker_list; marker; marker = marker->next) {
        const char* data = reinterpret_cast<const char*>(marker->data);
        if (marker->marker == app1 && !exifSeen && marker->data_length >= exifHeaderSize &&
            std::memcmp(data, exifHeader, exifHeaderSize) == 0) {
            exifSeen = true;
            image.orientation = exifOrientation(marker->data + exifHeaderSize,
                                                marker->data_length - exifHeaderSize);
        } else if (marker->marker == app2 && marker->data_length >= iccHeaderSize &&
                   std::memcmp(data, iccHeader, sizeof iccHeader) == 0) {
            read->iccSegments.emplace_back(
                marker->data[12],
                std::string(data + iccHeaderSize, marker->data_length - iccHeaderSize));
        }
    }
    std::stable_sort(read->iccSegments.begin(), read->iccSegments.end(),
                     [](const auto& one, const auto& other) { return one.first < other.first; });
    for (const auto& segment : read->iccSegments)
        image.profile += segment.second;
}

// A decompressor that reports errors by longjmp and remembers warnings, filling image.
void prepare(JpegRead& read, JpegImage& image)
{
    read.image = &image;
    read.info.err = jpeg_std_error(&read.error.manager);
    read.error.manager.error_exit = jpegErrorExit;
    read.error.manager.emit_message = jpegMessage;
    read.error.warned = false;
    jpeg_create_decompress(&read.info);
}

// What the header says of the colours: the markers kept and the decoder's reading of them.
void takeHeader(JpegRead* read)
{
    keepMarkers(read);
    JpegImage& image = *read->image;
    image.colourSpace = read->info.jpeg_color_space;
    image.adobeMarker = read->info.saw_Adobe_marker;
    image.adobeTransform = read->info.Adobe_transform;
}

// The coefficients of a whole file take two bytes a sample; past this a file is decoded row by
// row instead, so two of them stay well inside a check's memory.
constexpr std::size_t coefficientBudget = 24 * 1024 * 1024;

// What the header's components take as coefficients, held whole.
std::size_t coefficientBytes(const jpeg_decompress_struct& info)
{
    std::size_t bytes = 0;
    for (int c = 0; c < info.num_components; ++c) {
        const jpeg_component_info& component = info.comp_info[c];
        bytes +=
            std::size_t{component.width_in_blocks} * component.height_in_blocks * sizeof(JBLOCK);
    }
    return bytes;
}

// Every libjpeg error leaves these functions through longjmp, so they keep no object with a
// destructor of their own; what they fill lives in the caller.
ReadStatus startJpeg(std::FILE* file, JpegRead* read, RowFormat* format, std::size_t budget)
{
    if (setjmp(read->error.jump))
        return ReadStatus::broken;
    jpeg_stdio_src(&read->info, file);
    jpeg_save_markers(&read->info, app1, 0xffff);
    jpeg_save_markers(&read->info, app2, 0xffff);
    jpeg_read_header(&read->info, TRUE);
    if (std::uint64_t{read->info.image_width} * read->info.image_height > maxPixels)
        return ReadStatus::tooLarge;
    // A file of several scans (progressive above all) is decoded from all its coefficients,
    // held whole: past the budget that is refused rather than taking memory without bound.
    if (jpeg_has_multiple_scans(&read->info) && coefficientBytes(read->info) > budget)
        return ReadStatus::tooLarge;
    takeHeader(read);
    jpeg_start_decompress(&read->info);
    const int components = read->info.output_components;
    const bool cmyk = read->info.out_color_space == JCS_CMYK;
    if (components != 1 && components != 3 && !(components == 4 && cmyk))
        return ReadStatus::broken;
    format->width = read->info.output_width;
    format->height = read->info.output_height;
    format->model = cmyk ? SampleModel::cmyk : SampleModel::rgba;
    return ReadStatus::ok;
}

bool readScanline(JpegRead* read, std::uint8_t* scanline)
{
    if (setjmp(read->error.jump))
        return false;
    JSAMPROW rowPointer = scanline;
    return jpeg_read_scanlines(&read->info, &rowPointer, 1) == 1;
}

bool finishJpeg(JpegRead* read)
{
    if (setjmp(read->error.jump))
        return false;
    jpeg_finish_decompress(&read->info);
    return !read->error.warned;
}

bool readHeader(std::FILE* file, JpegRead* read)
{
    if (setjmp(read->error.jump))
        return false;
    jpeg_stdio_src(&read->info, file);
    jpeg_read_header(&read->info, TRUE);
    return true;
}

// Whether the decoder would hold the file's coefficients whole (a file of several scans); also
// true for a file whose header cannot be read, which the decode then refuses.
bool heldWhole(const std::string& path)
{
    std::FILE* file = openForReading(path);
    if (!file)
        return true;
    JpegImage ignored;
    JpegRead read;
    prepare(read, ignored);
    const bool whole = !readHeader(file, &read) || jpeg_has_multiple_scans(&read.info);
    jpeg_destroy_decompress(&read.info);
    std::fclose(file);
    return whole;
}

// The scanlines of a JPEG as RGBA (or CMYK) rows. A baseline file is decoded in memory of a few
// rows; libjpeg holds a progressive file's coefficients whole, about two bytes per sample, so
// one larger than the budget is not read.
class JpegRows : public RowSource {
public:
    // budget: what the coefficients of a file of several scans may take.
    JpegRows(const std::string& path, JpegImage& image, std::size_t budget)
        : file(openForReading(path))
    {
        prepare(read, image);
        status = file ? startJpeg(file, &read, &format, budget) : ReadStatus::broken;
        if (status == ReadStatus::ok) {
            scanline.resize(std::size_t{format.width} *
                            static_cast<std::size_t>(read.info.output_components));
            row.resize(format.rowBytes());
        }
    }
    ~JpegRows() override
    {
        jpeg_destroy_decompress(&read.info);
        if (file)
            std::fclose(file);
    }
    JpegRows(const JpegRows&) = delete;
    JpegRows& operator=(const JpegRows&) = delete;

    const std::uint8_t* nextRow() override;
    // Reads to the end of the image; a warning on the way means damage.
    ReadStatus finish()
    {
        if (status == ReadStatus::ok && !finishJpeg(&read))
            status = ReadStatus::broken;
        return status;
    }

private:
    std::FILE* file;
    JpegRead read;
    std::vector<std::uint8_t> scanline;
    std::vector<std::uint8_t> row;
};

const std::uint8_t* JpegRows::nextRow()
{
    if (status != ReadStatus::ok || read.info.output_scanline >= read.info.output_height)
        return nullptr;
    // After a warning the rest is grey filler at best: no reason to decode it.
    if (!readScanline(&read, scanline.data()) || read.error.warned) {
        status = ReadStatus::broken;
        return nullptr;
    }
    const int components = read.info.output_components;
    std::uint8_t* out = row.data();
    const std::uint8_t* in = scanline.data();
    for (std::uint32_t x = 0; x < format.width; ++x, out += 4, in += components) {
        if (components == 1) {
            out[0] = out[1] = out[2] = in[0];
            out[3] = 0xff;
        } else {
            std::memcpy(out, in, static_cast<std::size_t>(components));
            if (components == 3)
                out[3] = 0xff;
        }
    }
    return row.data();
}

// Reads the header and every coefficient; false when the file cannot be read so, warns, or
// would take more than coefficientBudget.
bool readCoefficients(std::FILE* file, JpegRead* read, jvirt_barray_ptr** arrays)
{
    if (setjmp(read->error.jump))
        return false;
    jpeg_stdio_src(&read->info, file);
    jpeg_save_markers(&read->info, app1, 0xffff);
    jpeg_save_markers(&read->info, app2, 0xffff);
    jpeg_read_header(&read->info, TRUE);
    if (coefficientBytes(read->info) > coefficientBudget)
        return false;
    takeHeader(read);
    *arrays = jpeg_read_coefficients(&read->info);
    return *arrays && !read->error.warned;
}

bool sameQuantization(const jpeg_component_info& one, const jpeg_component_info& other)
{
    return one.h_samp_factor == other.h_samp_factor && one.v_samp_factor == other.v_samp_factor &&
           one.width_in_blocks == other.width_in_blocks &&
           one.height_in_blocks == other.height_in_blocks && one.quant_table && other.quant_table &&
           std::memcmp(one.quant_table->quantval, other.quant_table->quantval,
                       sizeof one.quant_table->quantval) == 0;
}

// Whether row of the component holds the same blocks in both; false also on a read error.
bool sameBlockRow(JpegRead* one, jvirt_barray_ptr oneArray, JpegRead* other,
                  jvirt_barray_ptr otherArray, int component, JDIMENSION row)
{
    if (setjmp(one->error.jump) || setjmp(other->error.jump))
        return false;
    const JBLOCKARRAY first = (*one->info.mem->access_virt_barray)(
        reinterpret_cast<j_common_ptr>(&one->info), oneArray, row, 1, FALSE);
    const JBLOCKARRAY second = (*other->info.mem->access_virt_barray)(
        reinterpret_cast<j_common_ptr>(&other->info), otherArray, row, 1, FALSE);
    return std::memcmp(first[0], second[0],
                       one->info.comp_info[component].width_in_blocks * sizeof(JBLOCK)) == 0;
}

// A JPEG's coefficients, held whole.
class JpegCoefficients {
public:
    JpegCoefficients(const std::string& path, JpegImage& image) : file(openForReading(path))
    {
        prepare(read, image);
        ok = file && readCoefficients(file, &read, &arrays);
    }
    ~JpegCoefficients()
    {
        jpeg_destroy_decompress(&read.info);
        if (file)
            std::fclose(file);
    }
    JpegCoefficients(const JpegCoefficients&) = delete;
    JpegCoefficients& operator=(const JpegCoefficients&) = delete;

    // Both hold the same coefficients with the same quantization, sampling and colour space.
    bool sameAs(JpegCoefficients& other)
    {
        const jpeg_decompress_struct& a = read.info;
        const jpeg_decompress_struct& b = other.read.info;
        if (!ok || !other.ok || a.image_width != b.image_width ||
            a.image_height != b.image_height || a.num_components != b.num_components ||
            a.jpeg_color_space != b.jpeg_color_space)
            return false;
        for (int c = 0; c < a.num_components; ++c) {
            if (!sameQuantization(a.comp_info[c], b.comp_info[c]))
                return false;
            for (JDIMENSION row = 0; row < a.comp_info[c].height_in_blocks; ++row)
                if (!sameBlockRow(&read, arrays[c], &other.read, other.arrays[c], c, row))
                    return false;
        }
        return true;
    }

private:
    std::FILE* file;
    JpegRead read;
    jvirt_barray_ptr* arrays = nullptr;
    bool ok = false;
};

CheckResult sameMarkers(const JpegImage& original, const JpegImage& result, bool samePixels);

} // namespace

CheckResult sameJpeg(const std::string& before, const std::string& after)
{
    // A lossless transcode (other Huffman tables, progressive or not) keeps every coefficient,
    // and the decoder draws the same pixels from them: proving that needs no decoding at all.
    {
        JpegImage original;
        JpegImage result;
        JpegCoefficients originalCoefficients(before, original);
        JpegCoefficients resultCoefficients(after, result);
        if (originalCoefficients.sameAs(resultCoefficients))
            return sameMarkers(original, result, true);
    }
    // Only a file of several scans is held whole: a baseline camera photo against its progressive
    // result may give the result what two such files would share: a photo of up to about 15
    // megapixels is still checked.
    const std::size_t budget =
        heldWhole(before) && heldWhole(after) ? coefficientBudget : 2 * coefficientBudget;
    JpegImage original;
    JpegRows originalRows(before, original, budget);
    JpegImage result;
    JpegRows resultRows(after, result, budget);
    const bool samePixels = sameRows(originalRows, resultRows);
    if (const ReadStatus status = originalRows.finish(); status != ReadStatus::ok)
        return readFailure(status, true);
    if (const ReadStatus status = resultRows.finish(); status != ReadStatus::ok)
        return readFailure(status, false);
    return sameMarkers(original, result, samePixels);
}

namespace {

CheckResult sameMarkers(const JpegImage& original, const JpegImage& result, bool samePixels)
{
    if (original.profile != result.profile)
        return differs("the colour profile changed");
    if (original.colourSpace != result.colourSpace || original.adobeMarker != result.adobeMarker ||
        original.adobeTransform != result.adobeTransform)
        return differs("the colour markers changed");
    if (original.orientation != result.orientation)
        return differs("the orientation changed");
    if (!samePixels)
        return differs("the pixels differ");
    return sameResult();
}

} // namespace
