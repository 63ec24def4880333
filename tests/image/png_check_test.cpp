#include "image/image_check.h"

#include <chrono>
#include <string>

#include <gtest/gtest.h>

#include "image_files.h"

namespace {

struct Chunk {
    std::string type;
    std::string body;
};

std::string withChunks(std::string png, const std::vector<Chunk>& chunks)
{
    for (const Chunk& chunk : chunks)
        png = addPngChunk(png, chunk.type, chunk.body);
    return png;
}

const std::vector<Chunk> colourChunks = {
    {"cICP", std::string("\x01\x0d\x00\x01", 4)}, {"cHRM", std::string(32, '\x11')},
    {"gAMA", std::string("\x00\x00\xb1\x8f", 4)}, {"sRGB", std::string(1, '\0')},
    {"iCCP", iccpBody("profile", testProfile())},
};

// The colour chunks with one of them left out, or with another body for it.
std::vector<Chunk> changed(const std::string& type, const std::string* body = nullptr)
{
    std::vector<Chunk> chunks;
    for (const Chunk& chunk : colourChunks) {
        if (chunk.type != type)
            chunks.push_back(chunk);
        else if (body)
            chunks.push_back({type, *body});
    }
    return chunks;
}

class PngCheck : public ::testing::Test {
protected:
    CheckResult compare(const std::string& before, const std::string& after)
    {
        return sameImage(folder.write("before.png", before), folder.write("after.png", after));
    }

    ImageFolder folder;
};

TEST_F(PngCheck, LosslessReencodingsAreTheSameImage)
{
    const TestImage image = patternImage(13, 9);
    const std::string base = encodePng(image);
    const struct {
        const char* name;
        PngOptions options;
    } cases[] = {
        {"rgb", {PngColour::rgb, 8, false, 6, false}},
        {"palette", {PngColour::palette, 8, false, 6, false}},
        {"rgba 16 bit", {PngColour::rgba, 16, false, 6, false}},
        {"rgb 16 bit", {PngColour::rgb, 16, false, 6, false}},
        {"interlaced", {PngColour::rgba, 8, true, 6, false}},
        {"no filter, no compression", {PngColour::rgba, 8, false, 0, true}},
    };
    for (const auto& entry : cases) {
        const CheckResult result = compare(base, encodePng(image, entry.options));
        EXPECT_TRUE(result.same) << entry.name << ": " << result.reason;
        EXPECT_EQ(result.reason, "") << entry.name;
    }
}

// An interlaced image is put together from its seven passes row by row; small sizes leave some
// passes empty.
TEST_F(PngCheck, InterlacedImagesOfAnySizeMatchTheirPlainForm)
{
    const PngOptions interlaced{PngColour::rgba, 8, true, 6, false};
    const PngOptions interlacedPalette{PngColour::palette, 8, true, 6, false};
    const PngOptions interlacedDeep{PngColour::rgb, 16, true, 6, false};
    for (const auto& [width, height] :
         {std::pair{1u, 1u}, std::pair{2u, 3u}, std::pair{5u, 1u}, std::pair{1u, 6u},
          std::pair{9u, 17u}, std::pair{33u, 10u}}) {
        const TestImage image = patternImage(width, height, true);
        const std::string plain = encodePng(image);
        for (const PngOptions& options : {interlaced, interlacedPalette}) {
            const CheckResult result = compare(plain, encodePng(image, options));
            EXPECT_TRUE(result.same) << width << "x" << height << ": " << result.reason;
            const CheckResult back = compare(encodePng(image, options), plain);
            EXPECT_TRUE(back.same) << width << "x" << height << ": " << back.reason;
        }
        const TestImage opaque = patternImage(width, height);
        EXPECT_TRUE(compare(encodePng(opaque, interlacedDeep), encodePng(opaque)).same);
    }
    // Every pixel is in one pass only; a change anywhere must show. 9 x 17 has all seven passes,
    // each with a short last row or column.
    const TestImage image = patternImage(9, 17, true);
    const std::string plain = encodePng(image);
    for (std::uint32_t y = 0; y < image.height; ++y) {
        for (std::uint32_t x = 0; x < image.width; ++x) {
            TestImage changed = image;
            changed.at(x, y)[0] = static_cast<std::uint16_t>(changed.at(x, y)[0] ^ 0x0101);
            EXPECT_EQ(compare(plain, encodePng(changed, interlaced)).reason, "the pixels differ")
                << x << "," << y;
        }
    }
}

TEST_F(PngCheck, TransparentPaletteEqualsRgbaAndGrayEqualsRgb)
{
    const TestImage transparent = patternImage(10, 7, true);
    EXPECT_TRUE(compare(encodePng(transparent, {PngColour::palette, 8, false, 6, false}),
                        encodePng(transparent, {PngColour::rgba, 16, false, 6, false}))
                    .same);
    TestImage gray = patternImage(10, 7);
    for (std::size_t i = 0; i < gray.rgba.size(); i += 4)
        gray.rgba[i + 1] = gray.rgba[i + 2] = gray.rgba[i];
    EXPECT_TRUE(compare(encodePng(gray, {PngColour::gray, 8, false, 6, false}),
                        encodePng(gray, {PngColour::rgb, 16, false, 6, false}))
                    .same);
}

TEST_F(PngCheck, OneChangedSampleDiffers)
{
    const TestImage image = patternImage(13, 9, true);
    TestImage colour = image;
    colour.at(12, 8)[1] = static_cast<std::uint16_t>(colour.at(12, 8)[1] + 257);
    TestImage alpha = image;
    alpha.at(1, 0)[3] = 0;
    // Only the low byte of one 16-bit sample: invisible to any 8-bit comparison.
    TestImage lowBits = image;
    lowBits.at(4, 4)[2] = static_cast<std::uint16_t>(lowBits.at(4, 4)[2] ^ 1);
    const PngOptions deep{PngColour::rgba, 16, false, 6, false};
    const struct {
        const char* name;
        std::string before;
        std::string after;
    } cases[] = {
        {"colour", encodePng(image), encodePng(colour)},
        {"alpha", encodePng(image), encodePng(alpha)},
        {"low bits of 16", encodePng(image, deep), encodePng(lowBits, deep)},
        {"8 against 16 with low bits", encodePng(image), encodePng(lowBits, deep)},
        {"size", encodePng(image), encodePng(patternImage(13, 8, true))},
    };
    for (const auto& entry : cases) {
        const CheckResult result = compare(entry.before, entry.after);
        EXPECT_FALSE(result.same) << entry.name;
        EXPECT_EQ(result.reason, "the pixels differ") << entry.name;
    }
}

TEST_F(PngCheck, ColourChunksMustStayAsTheyWere)
{
    const std::string plain = encodePng(patternImage(6, 6));
    const std::string original = withChunks(plain, colourChunks);
    const std::string otherProfile = iccpBody("profile", testProfile(1));
    const std::string otherGamma("\x00\x00\xd9\x03", 4);
    const std::string otherCicp("\x09\x10\x00\x01", 4);
    const struct {
        const char* name;
        std::string before;
        std::string after;
        const char* reason;
    } cases[] = {
        {"profile lost", original, withChunks(plain, changed("iCCP")),
         "the colour profile changed"},
        {"other profile", original, withChunks(plain, changed("iCCP", &otherProfile)),
         "the colour profile changed"},
        {"srgb lost", original, withChunks(plain, changed("sRGB")), "the srgb intent changed"},
        {"gamma gained", withChunks(plain, changed("gAMA")), original, "the gamma changed"},
        {"gamma changed", original, withChunks(plain, changed("gAMA", &otherGamma)),
         "the gamma changed"},
        {"chromaticities lost", original, withChunks(plain, changed("cHRM")),
         "the chromaticities changed"},
        {"cicp changed", original, withChunks(plain, changed("cICP", &otherCicp)),
         "the cicp code points changed"},
    };
    for (const auto& entry : cases) {
        const CheckResult result = compare(entry.before, entry.after);
        EXPECT_FALSE(result.same) << entry.name;
        EXPECT_EQ(result.reason, entry.reason) << entry.name;
    }
}

TEST_F(PngCheck, TheProfileIsComparedInflated)
{
    const std::string plain = encodePng(patternImage(6, 6));
    const std::string renamed = iccpBody("another name", testProfile());
    const CheckResult result =
        compare(withChunks(plain, colourChunks),
                withChunks(encodePng(patternImage(6, 6), {PngColour::palette, 8, false, 9, false}),
                           changed("iCCP", &renamed)));
    EXPECT_TRUE(result.same) << result.reason;
}

TEST_F(PngCheck, OrientationComesFromExif)
{
    const std::string plain = encodePng(patternImage(6, 6));
    const CheckResult rotated =
        compare(addPngChunk(plain, "eXIf", exifBlock(6)), addPngChunk(plain, "eXIf", exifBlock(1)));
    EXPECT_FALSE(rotated.same);
    EXPECT_EQ(rotated.reason, "the orientation changed");
    // Viewers show an image without orientation the way orientation 1 says.
    const CheckResult normal = compare(addPngChunk(plain, "eXIf", exifBlock(1)), plain);
    EXPECT_TRUE(normal.same) << normal.reason;
}

TEST_F(PngCheck, DamagedFilesDoNotDecode)
{
    const std::string good = encodePng(patternImage(40, 30), {PngColour::rgba, 8, false, 0, true});
    std::string badCrc = good;
    badCrc[good.size() - 20] ^= 0x55;
    const std::string garbage = good.substr(0, 8) + std::string(200, 'x');
    const struct {
        const char* name;
        std::string damaged;
    } cases[] = {
        {"truncated in the image data", good.substr(0, good.size() / 2)},
        {"truncated before IEND", good.substr(0, good.size() - 12)},
        {"damaged image data", badCrc},
        {"garbage after the signature", garbage},
        {"profile not inflatable", addPngChunk(good, "iCCP", "p" + std::string(2, '\0') + "junk")},
    };
    for (const auto& entry : cases) {
        const CheckResult result = compare(good, entry.damaged);
        EXPECT_FALSE(result.same) << entry.name;
        EXPECT_EQ(result.reason, "it does not decode") << entry.name;
        const CheckResult original = compare(entry.damaged, good);
        EXPECT_FALSE(original.same) << entry.name;
        EXPECT_EQ(original.reason, "the original does not decode") << entry.name;
    }
}

TEST_F(PngCheck, AnimatedPngIsNotChecked)
{
    const std::string plain = encodePng(patternImage(6, 6));
    const std::string animated = addPngChunk(plain, "acTL", std::string("\0\0\0\1\0\0\0\0", 8));
    const CheckResult result = compare(animated, animated);
    EXPECT_FALSE(result.same);
    EXPECT_EQ(result.reason, "no check for animated png");
}

TEST_F(PngCheck, LargeImageComparesQuickly)
{
    const TestImage image = patternImage(2000, 2000, true);
    const std::string before = folder.write("big-before.png", encodePng(image));
    const std::string after =
        folder.write("big-after.png", encodePng(image, {PngColour::palette, 8, false, 6, false}));
    const auto start = std::chrono::steady_clock::now();
    const CheckResult result = sameImage(before, after);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(result.same) << result.reason;
    // Two full decodes; generous enough for a sanitizer build.
    EXPECT_LT(elapsed, std::chrono::seconds(5));
}

} // namespace
