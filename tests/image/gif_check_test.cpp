#include "image/image_check.h"

#include <gtest/gtest.h>

#include "image_files.h"

namespace {

const std::vector<std::uint8_t> palette = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};

GifFrame fullFrame(std::uint32_t width, std::uint32_t height, std::uint8_t shift)
{
    GifFrame frame{0, 0, width, height, {}, 10, -1, 0, {}};
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x)
            frame.indices.push_back(static_cast<std::uint8_t>((x + y + shift) % 4));
    }
    return frame;
}

class GifCheck : public ::testing::Test {
protected:
    CheckResult compare(const std::string& before, const std::string& after)
    {
        return sameImage(folder.write("before.gif", before), folder.write("after.gif", after));
    }

    ImageFolder folder;
};

TEST_F(GifCheck, InterlacingAndFrameOptimisationKeepTheImage)
{
    const std::vector<GifFrame> frames = {fullFrame(12, 10, 0), fullFrame(12, 10, 0)};
    EXPECT_TRUE(
        compare(encodeGif(12, 10, palette, frames), encodeGif(12, 10, palette, frames, true)).same);
    // The second frame changes one pixel; an optimiser stores only that pixel over the kept
    // first frame.
    std::vector<GifFrame> full = frames;
    full[1].indices[5 * 12 + 7] = 3;
    const GifFrame patch{7, 5, 1, 1, {3}, 10, -1, 0, {}};
    std::vector<GifFrame> optimised = {frames[0], patch};
    optimised[0].disposal = 1;
    const CheckResult result =
        compare(encodeGif(12, 10, palette, full), encodeGif(12, 10, palette, optimised));
    EXPECT_TRUE(result.same) << result.reason;
}

// The same picture through a palette in another order: the canvases' colours come in another
// order, and only the colours behind the indices may be compared.
TEST_F(GifCheck, ReorderedPaletteIsComparedByColour)
{
    const std::vector<std::uint8_t> reversed = {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0};
    const std::vector<GifFrame> frames = {fullFrame(12, 10, 0), fullFrame(12, 10, 1)};
    std::vector<GifFrame> remapped = frames;
    for (GifFrame& frame : remapped)
        for (std::uint8_t& index : frame.indices)
            index = static_cast<std::uint8_t>(3 - index);
    const std::string original = encodeGif(12, 10, palette, frames);
    EXPECT_TRUE(compare(original, encodeGif(12, 10, reversed, remapped)).same);
    remapped[1].indices[3 * 12 + 4] =
        static_cast<std::uint8_t>(remapped[1].indices[3 * 12 + 4] ^ 1);
    EXPECT_EQ(compare(original, encodeGif(12, 10, reversed, remapped)).reason, "the pixels differ");
}

TEST_F(GifCheck, ChangesThatShowAreNotTheSame)
{
    const std::vector<GifFrame> frames = {fullFrame(12, 10, 0), fullFrame(12, 10, 1)};
    std::vector<GifFrame> pixel = frames;
    pixel[1].indices[3] = static_cast<std::uint8_t>((pixel[1].indices[3] + 1) % 4);
    std::vector<GifFrame> slower = frames;
    slower[0].delay = 20;
    std::vector<GifFrame> transparent = frames;
    transparent[0].transparent = 2;
    // The second frame is only a patch over the first: clearing the first shows through.
    const std::vector<GifFrame> patched = {frames[0],
                                           {2, 2, 3, 3, std::vector<std::uint8_t>(9, 3)}};
    std::vector<GifFrame> cleared = patched;
    cleared[0].disposal = 2;
    std::vector<GifFrame> restored = patched;
    restored[0].disposal = 3;
    const struct {
        const char* name;
        std::string before;
        std::string after;
        const char* reason;
    } cases[] = {
        {"pixel in the second frame", encodeGif(12, 10, palette, frames),
         encodeGif(12, 10, palette, pixel), "the pixels differ"},
        {"one frame fewer", encodeGif(12, 10, palette, frames),
         encodeGif(12, 10, palette, {frames[0]}), "the frame count changed"},
        {"one frame more", encodeGif(12, 10, palette, frames),
         encodeGif(12, 10, palette, {frames[0], frames[1], frames[1]}), "the frame count changed"},
        {"delay", encodeGif(12, 10, palette, frames), encodeGif(12, 10, palette, slower),
         "the animation timing changed"},
        {"transparency", encodeGif(12, 10, palette, frames),
         encodeGif(12, 10, palette, transparent), "the pixels differ"},
        {"disposal to background under a patch", encodeGif(12, 10, palette, patched),
         encodeGif(12, 10, palette, cleared), "the pixels differ"},
        {"disposal to previous under a patch", encodeGif(12, 10, palette, patched),
         encodeGif(12, 10, palette, restored), "the pixels differ"},
        {"loop count", encodeGif(12, 10, palette, frames, false, 0),
         encodeGif(12, 10, palette, frames, false, 3), "the animation timing changed"},
        {"loop block dropped", encodeGif(12, 10, palette, frames, false, 0),
         encodeGif(12, 10, palette, frames), "the animation timing changed"},
    };
    for (const auto& entry : cases) {
        const CheckResult result = compare(entry.before, entry.after);
        EXPECT_FALSE(result.same) << entry.name;
        EXPECT_EQ(result.reason, entry.reason) << entry.name;
    }
}

// Disposal is compared by what it shows: the frames a viewer composes. Where the next frame covers
// the whole canvas, or after the last frame (a loop starts from a clear canvas), a different
// disposal shows nothing different, and optimisers rewrite it there.
TEST_F(GifCheck, DisposalThatShowsNothingDifferentIsTheSame)
{
    const std::vector<GifFrame> frames = {fullFrame(12, 10, 0), fullFrame(12, 10, 1)};
    std::vector<GifFrame> covered = frames;
    covered[0].disposal = 2;
    std::vector<GifFrame> last = frames;
    last[1].disposal = 3;
    for (const auto& after : {covered, last}) {
        const CheckResult result = compare(encodeGif(12, 10, palette, frames, false, 0),
                                           encodeGif(12, 10, palette, after, false, 0));
        EXPECT_TRUE(result.same) << result.reason;
    }
}

// Each frame brings 256 colours of its own, so the canvas outgrows one and then two bytes a pixel.
TEST_F(GifCheck, ManyLocalPalettesKeepEveryColourApart)
{
    std::vector<GifFrame> frames;
    for (std::uint32_t f = 0; f < 300; ++f) {
        GifFrame frame{0, 0, 16, 16, {}, 10, -1, 1, {}};
        for (std::uint32_t i = 0; i < 256; ++i) {
            const std::uint32_t colour = f * 256 + i;
            frame.indices.push_back(static_cast<std::uint8_t>(i));
            frame.palette.push_back(static_cast<std::uint8_t>(colour >> 16));
            frame.palette.push_back(static_cast<std::uint8_t>(colour >> 8));
            frame.palette.push_back(static_cast<std::uint8_t>(colour));
        }
        frames.push_back(frame);
    }
    const std::string original = encodeGif(16, 16, palette, frames);
    EXPECT_TRUE(compare(original, original).same);
    for (const std::size_t frame : {std::size_t{0}, std::size_t{2}, std::size_t{299}}) {
        std::vector<GifFrame> changed = frames;
        changed[frame].palette[3 * 200 + 2] ^= 1;
        const CheckResult result = compare(original, encodeGif(16, 16, palette, changed));
        EXPECT_EQ(result.reason, "the pixels differ") << frame;
    }
}

TEST_F(GifCheck, TruncatedFileDoesNotDecode)
{
    const std::string good = encodeGif(12, 10, palette, {fullFrame(12, 10, 0)});
    for (const std::size_t keep : {good.size() - 1, good.size() / 2, std::size_t{14}}) {
        const CheckResult result = compare(good, good.substr(0, keep));
        EXPECT_FALSE(result.same) << keep;
        EXPECT_EQ(result.reason, "it does not decode") << keep;
    }
}

} // namespace
