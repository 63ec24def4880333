#include "image/image_check.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include "image_files.h"

namespace {

class TiffCheck : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::vector<TestImage>& pages,
                      const TiffOptions& options = {})
    {
        writeTiff(folder.path(name), pages, options);
        return folder.path(name);
    }

    ImageFolder folder;
    TestImage page = patternImage(23, 17);
    TestImage second = patternImage(9, 31);
};

TEST_F(TiffCheck, OtherCompressionAndStripsKeepTheImage)
{
    const std::string before = write("before.tif", {page, second}, {8, false, "", 1, 0});
    const std::string after = write("after.tif", {page, second}, {8, true, "", 1, 4});
    const CheckResult result = sameImage(before, after);
    EXPECT_TRUE(result.same) << result.reason;
    const std::string deep = write("deep.tif", {page}, {16, false, "", 1, 0});
    const std::string deepPacked = write("deep-packed.tif", {page}, {16, true, "", 1, 3});
    EXPECT_TRUE(sameImage(deep, deepPacked).same);
}

// Pages are read in bands of strips or rows of tiles, which two layouts cut in different places;
// a change in the last row of the last band must still show.
TEST_F(TiffCheck, StripsAndTilesOfAnyLayoutCompareRowByRow)
{
    const TestImage large = patternImage(300, 290);
    TestImage lastRow = large;
    lastRow.at(299, 289)[0] = 0;
    TestImage lowBits = large;
    lowBits.at(150, 289)[1] = static_cast<std::uint16_t>(lowBits.at(150, 289)[1] ^ 1);
    const TiffOptions layouts[] = {
        {8, false, "", 1, 1, 0},  {8, true, "", 1, 7, 0},   {8, true, "", 1, 0, 0},
        {8, true, "", 1, 0, 32},  {16, false, "", 1, 5, 0}, {16, true, "", 1, 0, 0},
        {16, true, "", 1, 0, 48},
    };
    for (const TiffOptions& one : layouts) {
        const std::string before = write("before.tif", {large}, one);
        for (const TiffOptions& other : layouts) {
            if (one.bitsPerSample != other.bitsPerSample)
                continue;
            const std::string name =
                std::to_string(one.bitsPerSample) + " bits, " + std::to_string(one.rowsPerStrip) +
                "/" + std::to_string(one.tileSide) + " against " +
                std::to_string(other.rowsPerStrip) + "/" + std::to_string(other.tileSide);
            const CheckResult same = sameImage(before, write("after.tif", {large}, other));
            EXPECT_TRUE(same.same) << name << ": " << same.reason;
            EXPECT_EQ(sameImage(before, write("after.tif", {lastRow}, other)).reason,
                      "the pixels differ")
                << name;
            if (one.bitsPerSample == 16) {
                EXPECT_EQ(sameImage(before, write("after.tif", {lowBits}, other)).reason,
                          "the pixels differ")
                    << name;
            }
        }
    }
}

TEST_F(TiffCheck, ChangesThatShowAreNotTheSame)
{
    TestImage changed = page;
    changed.at(22, 16)[1] = 0;
    // Only the low byte of a 16-bit sample: the RGBA reading keeps the high byte alone.
    TestImage lowBits = page;
    lowBits.at(3, 3)[0] = static_cast<std::uint16_t>(lowBits.at(3, 3)[0] ^ 1);
    const std::string profile = testProfile();
    const struct {
        const char* name;
        std::vector<TestImage> beforePages, afterPages;
        TiffOptions beforeOptions, afterOptions;
        const char* reason;
    } cases[] = {
        {"pixel", {page}, {changed}, {}, {}, "the pixels differ"},
        {"low bits of 16",
         {page},
         {lowBits},
         {16, false, "", 1, 0},
         {16, false, "", 1, 0},
         "the pixels differ"},
        {"page lost", {page, second}, {page}, {}, {}, "the page count changed"},
        {"profile lost",
         {page},
         {page},
         {8, false, profile, 1, 0},
         {},
         "the colour profile changed"},
        {"orientation",
         {page},
         {page},
         {8, false, "", 6, 0},
         {8, false, "", 1, 0},
         "the orientation changed"},
    };
    for (const auto& entry : cases) {
        const CheckResult result =
            sameImage(write("before.tif", entry.beforePages, entry.beforeOptions),
                      write("after.tif", entry.afterPages, entry.afterOptions));
        EXPECT_FALSE(result.same) << entry.name;
        EXPECT_EQ(result.reason, entry.reason) << entry.name;
    }
}

// A two-colour palette page whose 16-bit colour map entries differ only in their low bytes.
void writePaletteTiff(const std::string& path, std::uint16_t lowByte)
{
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 8);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 2);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
    std::uint16_t red[2] = {0x1200, static_cast<std::uint16_t>(0xfe00 | lowByte)};
    std::uint16_t green[2] = {0x3400, 0x8000};
    std::uint16_t blue[2] = {0x5600, 0x0100};
    TIFFSetField(tif, TIFFTAG_COLORMAP, red, green, blue);
    const std::uint8_t rows[2] = {0xa5, 0x3c};
    TIFFWriteScanline(tif, const_cast<std::uint8_t*>(&rows[0]), 0, 0);
    TIFFWriteScanline(tif, const_cast<std::uint8_t*>(&rows[1]), 1, 0);
    TIFFClose(tif);
}

TEST_F(TiffCheck, PaletteColoursCountAtFullDepth)
{
    writePaletteTiff(folder.path("one.tif"), 0);
    writePaletteTiff(folder.path("same.tif"), 0);
    writePaletteTiff(folder.path("other.tif"), 0x77);
    EXPECT_TRUE(sameImage(folder.path("one.tif"), folder.path("same.tif")).same);
    EXPECT_EQ(sameImage(folder.path("one.tif"), folder.path("other.tif")).reason,
              "the pixels differ");
}

TEST_F(TiffCheck, ChromaticitiesMustStay)
{
    const std::string before = write("before.tif", {page});
    const std::string after = write("after.tif", {page});
    TIFF* tif = TIFFOpen(before.c_str(), "r+");
    ASSERT_NE(tif, nullptr);
    float whitePoint[2] = {0.3127f, 0.329f};
    TIFFSetField(tif, TIFFTAG_WHITEPOINT, whitePoint);
    TIFFRewriteDirectory(tif);
    TIFFClose(tif);
    EXPECT_EQ(sameImage(before, after).reason, "the chromaticities changed");
}

TEST_F(TiffCheck, TruncatedFileDoesNotDecode)
{
    write("good.tif", {page, second});
    const std::string good = folder.read("good.tif");
    for (const std::size_t keep : {good.size() - 10, good.size() / 2, std::size_t{100}}) {
        const CheckResult result =
            sameImage(folder.path("good.tif"), folder.write("cut.tif", good.substr(0, keep)));
        EXPECT_FALSE(result.same) << keep;
        EXPECT_EQ(result.reason, "it does not decode") << keep;
    }
}

} // namespace
