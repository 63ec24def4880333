#include "image/kind_checks.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <gif_lib.h>

#include "image/file_open.h"
#include "image/gif_canvas.h"
#include "image/raster.h"

namespace {

constexpr char loopExtension[] = "NETSCAPE2.0";
constexpr int loopExtensionSize = 11;

// Reads a GIF one frame at a time and composites each frame onto a canvas the way a viewer
// shows it (transparency, disposal), so two files can be compared frame by frame without
// holding every frame. Lines are drawn as they are decoded: no frame is held whole either.
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

    GifCanvas canvas;
    int delay = 0;
    int loopCount = -1;

private:
    ReadStatus readExtension();
    ReadStatus readFrame();
    void drawLine(int y);
    void disposePrevious();

    GifFileType* gif = nullptr;
    GraphicsControlBlock control{};
    GraphicsControlBlock frameControl{};
    // The frame area last drawn, for DISPOSE_BACKGROUND.
    int left = 0, top = 0, width = 0, height = 0;
    // The frame's clipped to the canvas, which is all that is drawn and disposed of.
    std::uint32_t clipLeft = 0, clipTop = 0, clipRight = 0, clipBottom = 0;
    std::vector<GifByteType> line;
    // Colour index to canvas key for the frame being drawn; transparentKey for its transparent
    // index.
    std::uint32_t paletteKeys[256] = {};
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
    canvas.reset(static_cast<std::uint32_t>(gif->SWidth), static_cast<std::uint32_t>(gif->SHeight));
    if (canvas.overBudget())
        return ReadStatus::tooLarge;
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
    frameControl = control;
    control = noControl();
    left = desc.Left;
    top = desc.Top;
    width = desc.Width;
    height = desc.Height;
    clipLeft = static_cast<std::uint32_t>(std::clamp(left, 0, int(canvas.width)));
    clipRight = static_cast<std::uint32_t>(std::clamp(left + width, 0, int(canvas.width)));
    clipTop = static_cast<std::uint32_t>(std::clamp(top, 0, int(canvas.height)));
    clipBottom = static_cast<std::uint32_t>(std::clamp(top + height, 0, int(canvas.height)));
    if (frameControl.DisposalMode == DISPOSE_PREVIOUS)
        canvas.save(clipLeft, clipTop, clipRight - clipLeft, clipBottom - clipTop);
    for (int index = 0; index < 256; ++index) {
        // An index past the colour table shows black, as viewers do.
        const GifColorType colour =
            index < map->ColorCount ? map->Colors[index] : GifColorType{0, 0, 0};
        paletteKeys[index] =
            canvas.keyOf(std::uint32_t{colour.Red} << 24 | std::uint32_t{colour.Green} << 16 |
                         std::uint32_t{colour.Blue} << 8 | 0xff);
    }
    if (canvas.overBudget())
        return ReadStatus::tooLarge;
    line.resize(std::size_t(desc.Width));
    if (desc.Interlace) {
        static const int offsets[] = {0, 4, 2, 1};
        static const int steps[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            for (int y = offsets[pass]; y < desc.Height; y += steps[pass]) {
                if (DGifGetLine(gif, line.data(), desc.Width) == GIF_ERROR)
                    return ReadStatus::broken;
                drawLine(y);
            }
        }
    } else {
        for (int y = 0; y < desc.Height; ++y) {
            if (DGifGetLine(gif, line.data(), desc.Width) == GIF_ERROR)
                return ReadStatus::broken;
            drawLine(y);
        }
    }
    delay = frameControl.DelayTime;
    ++frames;
    return ReadStatus::ok;
}

void GifFrames::drawLine(int y)
{
    const int canvasY = top + y;
    if (canvasY < int(clipTop) || canvasY >= int(clipBottom))
        return;
    const std::size_t row = std::size_t(canvasY) * canvas.width;
    for (std::uint32_t canvasX = clipLeft; canvasX < clipRight; ++canvasX) {
        const int index = line[canvasX - static_cast<std::uint32_t>(left)];
        if (index != frameControl.TransparentColor)
            canvas.set(row + canvasX, paletteKeys[index]);
    }
}

void GifFrames::disposePrevious()
{
    if (frames == 0)
        return;
    if (frameControl.DisposalMode == DISPOSE_PREVIOUS) {
        canvas.restoreSaved();
    } else if (frameControl.DisposalMode == DISPOSE_BACKGROUND) {
        // Viewers clear to transparent rather than to the background colour.
        canvas.clear(clipLeft, clipTop, clipRight - clipLeft, clipBottom - clipTop);
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
        if (!sameCanvas(original.canvas, result.canvas))
            return differs("the pixels differ");
    }
    if (original.loopCount != result.loopCount)
        return differs("the animation timing changed");
    return sameResult();
}
