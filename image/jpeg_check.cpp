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
    Raster raster;
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
    std::vector<std::uint8_t> row;
    ReadStatus status = ReadStatus::broken;
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

// Every libjpeg error leaves this function through longjmp, so it keeps no object with a
// destructor of its own; what it fills lives in the caller.
void decodeJpeg(std::FILE* file, JpegRead* read)
{
    if (setjmp(read->error.jump))
        return;
    jpeg_create_decompress(&read->info);
    jpeg_stdio_src(&read->info, file);
    jpeg_save_markers(&read->info, app1, 0xffff);
    jpeg_save_markers(&read->info, app2, 0xffff);
    jpeg_read_header(&read->info, TRUE);
    if (std::uint64_t{read->info.image_width} * read->info.image_height > maxPixels) {
        read->status = ReadStatus::tooLarge;
        return;
    }
    keepMarkers(read);
    JpegImage& image = *read->image;
    image.colourSpace = read->info.jpeg_color_space;
    image.adobeMarker = read->info.saw_Adobe_marker;
    image.adobeTransform = read->info.Adobe_transform;
    jpeg_start_decompress(&read->info);
    const int components = read->info.output_components;
    const bool cmyk = read->info.out_color_space == JCS_CMYK;
    if (components != 1 && components != 3 && !(components == 4 && cmyk))
        return;
    Raster& raster = image.raster;
    raster.width = read->info.output_width;
    raster.height = read->info.output_height;
    raster.model = cmyk ? SampleModel::cmyk : SampleModel::rgba;
    raster.samples.resize(std::size_t{raster.width} * raster.height * 4);
    read->row.resize(std::size_t{raster.width} * static_cast<std::size_t>(components));
    while (read->info.output_scanline < read->info.output_height) {
        JSAMPROW rowPointer = read->row.data();
        const std::size_t y = read->info.output_scanline;
        if (jpeg_read_scanlines(&read->info, &rowPointer, 1) != 1)
            return;
        std::uint8_t* out = raster.samples.data() + y * raster.width * 4;
        const std::uint8_t* in = read->row.data();
        for (std::uint32_t x = 0; x < raster.width; ++x, out += 4, in += components) {
            if (components == 1) {
                out[0] = out[1] = out[2] = in[0];
                out[3] = 0xff;
            } else {
                std::memcpy(out, in, static_cast<std::size_t>(components));
                if (components == 3)
                    out[3] = 0xff;
            }
        }
    }
    jpeg_finish_decompress(&read->info);
    read->status = read->error.warned ? ReadStatus::broken : ReadStatus::ok;
}

ReadStatus readJpeg(const std::string& path, JpegImage& image)
{
    std::FILE* file = openForReading(path);
    if (!file)
        return ReadStatus::broken;
    JpegRead read;
    read.image = &image;
    read.info.err = jpeg_std_error(&read.error.manager);
    read.error.manager.error_exit = jpegErrorExit;
    read.error.manager.emit_message = jpegMessage;
    read.error.warned = false;
    decodeJpeg(file, &read);
    jpeg_destroy_decompress(&read.info);
    std::fclose(file);
    return read.status;
}

} // namespace

CheckResult sameJpeg(const std::string& before, const std::string& after)
{
    JpegImage original;
    if (const ReadStatus status = readJpeg(before, original); status != ReadStatus::ok)
        return readFailure(status, true);
    JpegImage result;
    if (const ReadStatus status = readJpeg(after, result); status != ReadStatus::ok)
        return readFailure(status, false);
    if (original.profile != result.profile)
        return differs("the colour profile changed");
    if (original.colourSpace != result.colourSpace || original.adobeMarker != result.adobeMarker ||
        original.adobeTransform != result.adobeTransform)
        return differs("the colour markers changed");
    if (original.orientation != result.orientation)
        return differs("the orientation changed");
    if (!sameSamples(original.raster, result.raster))
        return differs("the pixels differ");
    return sameResult();
}
