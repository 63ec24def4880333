#include "image/kind_checks.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <gif_lib.h>

#include "image/file_open.h"
#include "image/raster.h"

namespace {

constexpr char loopExtension[] = "NETSCAPE2.0";
constexpr int loopExtensionSize = 11;

struct Rgb {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

// Reads a GIF one frame at a time and composites each frame onto a canvas the way a viewer
// shows it (transparency, disposal), so two files can be compared frame by frame without
// holding every frame.
class GifFrames {
public:
    explicit GifFrames(const std::string& path)
    {
        int error = 0;
        // The library closes the descriptor, also when it cannot read the file.
        if (const int descriptor = openDescriptorForReading(path); descriptor >= 0)
            gif = DGifOpenFileHandle(descriptor, &error);
    }
    ~GifFrames()
    {
        if (gif) {
            int error = 0;
            DGifCloseFile(gif, &error);
        }
    }
    GifFrames(const GifFrames&) = delete;
    GifFrames& operator=(const GifFrames&) = delete;

    ReadStatus open();
    // The next frame onto the canvas; ended is set instead at the end of the file.
    ReadStatus next(bool& ended);

    Raster canvas;
    int delay = 0;
    int loopCount = -1;

private:
    ReadStatus readExtension();
    ReadStatus readFrame();
    void disposePrevious();

    GifFileType* gif = nullptr;
    GraphicsControlBlock control{};
    GraphicsControlBlock frameControl{};
    // The frame area last drawn, for DISPOSE_BACKGROUND.
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<std::uint8_t> saved;
    std::vector<GifByteType> indices;
    int frames = 0;
};

GraphicsControlBlock noControl()
{
    GraphicsControlBlock block{};
    block.DisposalMode = DISPOSAL_UNSPECIFIED;
    block.TransparentColor = NO_TRANSPARENT_COLOR;
    return block;
}

ReadStatus GifFrames::open()
{
    if (!gif || gif->SWidth <= 0 || gif->SHeight <= 0)
        return ReadStatus::broken;
    const std::uint64_t pixels = std::uint64_t(gif->SWidth) * std::uint64_t(gif->SHeight);
    if (pixels > maxPixels)
        return ReadStatus::tooLarge;
    canvas.width = static_cast<std::uint32_t>(gif->SWidth);
    canvas.height = static_cast<std::uint32_t>(gif->SHeight);
    canvas.samples.assign(pixels * 4, 0);
    control = noControl();
    frameControl = noControl();
    return ReadStatus::ok;
}

ReadStatus GifFrames::next(bool& ended)
{
    ended = false;
    disposePrevious();
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            return ReadStatus::broken;
        if (type == EXTENSION_RECORD_TYPE) {
            if (readExtension() != ReadStatus::ok)
                return ReadStatus::broken;
        } else if (type == IMAGE_DESC_RECORD_TYPE) {
            return readFrame();
        } else if (type == TERMINATE_RECORD_TYPE) {
            ended = true;
            return frames > 0 ? ReadStatus::ok : ReadStatus::broken;
        } else {
            return ReadStatus::broken;
        }
    }
}

ReadStatus GifFrames::readExtension()
{
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        return ReadStatus::broken;
    bool loopBlock = false;
    if (block && code == GRAPHICS_EXT_FUNC_CODE) {
        if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_ERROR)
            return ReadStatus::broken;
    } else if (block && code == APPLICATION_EXT_FUNC_CODE) {
        loopBlock = block[0] == loopExtensionSize && std::memcmp(block + 1, loopExtension, 11) == 0;
    }
    while (block) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            return ReadStatus::broken;
        if (loopBlock && block && block[0] >= 3 && block[1] == 1) {
            loopCount = block[2] | block[3] << 8;
            loopBlock = false;
        }
    }
    return ReadStatus::ok;
}

ReadStatus GifFrames::readFrame()
{
    if (DGifGetImageDesc(gif) == GIF_ERROR)
        return ReadStatus::broken;
    const GifImageDesc& desc = gif->Image;
    if (desc.Width <= 0 || desc.Height <= 0)
        return ReadStatus::broken;
    if (std::uint64_t(desc.Width) * std::uint64_t(desc.Height) > maxPixels)
        return ReadStatus::tooLarge;
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    if (!map || !map->Colors)
        return ReadStatus::broken;
    indices.resize(std::size_t(desc.Width) * std::size_t(desc.Height));
    if (desc.Interlace) {
        static const int offsets[] = {0, 4, 2, 1};
        static const int steps[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            for (int y = offsets[pass]; y < desc.Height; y += steps[pass]) {
                if (DGifGetLine(gif, indices.data() + std::size_t(y) * desc.Width, desc.Width) ==
                    GIF_ERROR)
                    return ReadStatus::broken;
            }
        }
    } else {
        for (int y = 0; y < desc.Height; ++y) {
            if (DGifGetLine(gif, indices.data() + std::size_t(y) * desc.Width, desc.Width) ==
                GIF_ERROR)
                return ReadStatus::broken;
        }
    }
    frameControl = control;
    control = noControl();
    left = desc.Left;
    top = desc.Top;
    width = desc.Width;
    height = desc.Height;
    if (frameControl.DisposalMode == DISPOSE_PREVIOUS)
        saved = canvas.samples;
    for (int y = 0; y < height; ++y) {
        const int canvasY = top + y;
        if (canvasY < 0 || canvasY >= static_cast<int>(canvas.height))
            continue;
        for (int x = 0; x < width; ++x) {
            const int canvasX = left + x;
            if (canvasX < 0 || canvasX >= static_cast<int>(canvas.width))
                continue;
            const int index = indices[std::size_t(y) * width + x];
            if (index == frameControl.TransparentColor)
                continue;
            // An index past the colour table shows black, as viewers do.
            const Rgb colour =
                index < map->ColorCount
                    ? Rgb{map->Colors[index].Red, map->Colors[index].Green, map->Colors[index].Blue}
                    : Rgb{0, 0, 0};
            std::uint8_t* out =
                canvas.samples.data() + (std::size_t(canvasY) * canvas.width + canvasX) * 4;
            out[0] = colour.red;
            out[1] = colour.green;
            out[2] = colour.blue;
            out[3] = 0xff;
        }
    }
    delay = frameControl.DelayTime;
    ++frames;
    return ReadStatus::ok;
}

void GifFrames::disposePrevious()
{
    if (frames == 0)
        return;
    if (frameControl.DisposalMode == DISPOSE_PREVIOUS && saved.size() == canvas.samples.size()) {
        canvas.samples.swap(saved);
    } else if (frameControl.DisposalMode == DISPOSE_BACKGROUND) {
        // Viewers clear to transparent rather than to the background colour.
        for (int y = std::max(top, 0); y < std::min(top + height, int(canvas.height)); ++y) {
            const int from = std::max(left, 0);
            const int to = std::min(left + width, int(canvas.width));
            if (from < to)
                std::memset(canvas.samples.data() + (std::size_t(y) * canvas.width + from) * 4, 0,
                            std::size_t(to - from) * 4);
        }
    }
    frameControl = noControl();
}

} // namespace

CheckResult sameGif(const std::string& before, const std::string& after)
{
    GifFrames original(before);
    if (const ReadStatus status = original.open(); status != ReadStatus::ok)
        return readFailure(status, true);
    GifFrames result(after);
    if (const ReadStatus status = result.open(); status != ReadStatus::ok)
        return readFailure(status, false);
    for (;;) {
        bool originalEnded = false;
        bool resultEnded = false;
        if (const ReadStatus status = original.next(originalEnded); status != ReadStatus::ok)
            return readFailure(status, true);
        if (const ReadStatus status = result.next(resultEnded); status != ReadStatus::ok)
            return readFailure(status, false);
        if (originalEnded != resultEnded)
            return differs("the frame count changed");
        if (originalEnded)
            break;
        if (original.delay != result.delay)
            return differs("the animation timing changed");
        if (!sameSamples(original.canvas, result.canvas))
            return differs("the pixels differ");
    }
    if (original.loopCount != result.loopCount)
        return differs("the animation timing changed");
    return sameResult();
}
