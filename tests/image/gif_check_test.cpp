#include "image/image_check.h"

#include <gtest/gtest.h>

#include "image_files.h"

namespace {

const std::vector<std::uint8_t> palette = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};

GifFrame fullFrame(std::uint32_t width, std::uint32_t height, std::uint8_t shift)
{
    GifFrame frame{0, 0, width, height, {}, 10, -1, 0};
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
    const GifFrame patch{7, 5, 1, 1, {3}, 10, -1, 0};
    std::vector<GifFrame> optimised = {frames[0], patch};
    optimised[0].disposal = 1;
    const CheckResult result =
        compare(encodeGif(12, 10, palette, full), encodeGif(12, 10, palette, optimised));
    EXPECT_TRUE(result.same) << result.reason;
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
    const struct {
        const char* name;
        std::vector<GifFrame> after;
        const char* reason;
    } cases[] = {
        {"pixel in the second frame", pixel, "the pixels differ"},
        {"one frame fewer", {frames[0]}, "the frame count changed"},
        {"delay", slower, "the animation timing changed"},
        {"transparency", transparent, "the pixels differ"},
    };
    const std::string original = encodeGif(12, 10, palette, frames);
    for (const auto& entry : cases) {
        const CheckResult result = compare(original, encodeGif(12, 10, palette, entry.after));
        EXPECT_FALSE(result.same) << entry.name;
        EXPECT_EQ(result.reason, entry.reason) << entry.name;
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
