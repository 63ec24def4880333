#include "image/strip_arguments.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/exif_orientation.h"
#include "image/image_check.h"
#include "image_files.h"
#include "tool_run.h"

namespace {

void strip(const std::string& path)
{
    std::vector<std::string> command = {"exiftool", "-q", "-q", "-overwrite_original"};
    for (const std::string& argument : stripArguments())
        command.push_back(argument);
    command.push_back(path);
    run(command);
}

// What must be gone after stripping, as exiftool itself reads it.
std::string privateTags(const std::string& path)
{
    return run({"exiftool", "-s3", "-GPSLatitudeRef", "-Make", "-Software", "-ModifyDate",
                "-Comment", "-XMP:Creator", "-IPTC:Keywords", "-ThumbnailLength", path});
}

void addXmp(const std::string& path)
{
    run({"exiftool", "-q", "-q", "-overwrite_original", "-XMP:Creator=Someone", path});
}

class StripArguments : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!onPath("exiftool"))
            GTEST_SKIP() << "exiftool is not installed";
    }

    ImageFolder folder;
};

TEST_F(StripArguments, JpegKeepsProfileAndOrientationAndLosesTheRest)
{
    const std::string profile = testProfile(0, 70000); // two APP2 segments
    const std::string path = folder.write(
        "photo.jpg", encodeJpeg(patternImage(40, 30), {90, false, profile, 6, "hello there"}));
    const std::string thumbnail = folder.write("thumb.jpg", encodeJpeg(patternImage(8, 6)));
    run({"exiftool", "-q", "-q", "-overwrite_original", "-XMP:Creator=Someone",
         "-IPTC:Keywords=private", "-ThumbnailImage<=" + thumbnail, path});
    ASSERT_NE(run({"exiftool", "-s3", "-ThumbnailLength", "-IPTC:Keywords", path}), "");
    const std::string before = folder.read("photo.jpg");
    folder.write("before.jpg", before);
    ASSERT_NE(privateTags(path), "");

    strip(path);

    const std::string after = folder.read("photo.jpg");
    EXPECT_LT(after.size(), before.size());
    EXPECT_EQ(jpegProfile(after), jpegProfile(before));
    EXPECT_EQ(jpegProfile(after), profile);
    const std::string exif = jpegExif(after);
    EXPECT_EQ(exifOrientation(reinterpret_cast<const std::uint8_t*>(exif.data()), exif.size()), 6);
    EXPECT_EQ(after.find("hello there"), std::string::npos);
    EXPECT_EQ(privateTags(path), "");
    const CheckResult check = sameImage(folder.path("before.jpg"), path);
    EXPECT_TRUE(check.same) << check.reason;
}

TEST_F(StripArguments, PngKeepsEveryColourChunkByteForByte)
{
    std::string png = encodePng(patternImage(20, 20), {PngColour::palette, 8, false, 6, false});
    png = addPngChunk(png, "tEXt", std::string("Comment\0hello there", 19));
    png = addPngChunk(png, "tIME", std::string("\x07\xe4\x01\x02\x03\x04\x05", 7));
    png = addPngChunk(png, "eXIf", exifBlock(6));
    png = addPngChunk(png, "cICP", std::string("\x01\x0d\x00\x01", 4));
    png = addPngChunk(png, "cHRM", std::string(32, '\x11'));
    // 1/1.8 as stored by many Macintosh programs: exiftool's own gamma value would round it.
    png = addPngChunk(png, "gAMA", std::string("\x00\x00\xd9\x03", 4));
    png = addPngChunk(png, "sRGB", std::string(1, '\x01'));
    png = addPngChunk(png, "iCCP", iccpBody("kept", testProfile(2)));
    const std::string path = folder.write("picture.png", png);
    addXmp(path);
    folder.write("before.png", folder.read("picture.png"));
    ASSERT_NE(privateTags(path), "");

    strip(path);

    std::map<std::string, std::string> kept;
    bool sawPalette = false;
    for (const auto& [type, body] : pngChunks(folder.read("picture.png"))) {
        if (type == "PLTE")
            sawPalette = true;
        // The PNG rules put these before the palette.
        if (type == "iCCP" || type == "sRGB" || type == "gAMA" || type == "cHRM") {
            EXPECT_FALSE(sawPalette) << type;
        }
        for (const char* text : {"tEXt", "zTXt", "iTXt", "tIME"})
            EXPECT_NE(type, text);
        kept[type] = body;
    }
    const std::map<std::string, std::string> expected = {
        {"iCCP", iccpBody("kept", testProfile(2))},   {"sRGB", std::string(1, '\x01')},
        {"gAMA", std::string("\x00\x00\xd9\x03", 4)}, {"cHRM", std::string(32, '\x11')},
        {"cICP", std::string("\x01\x0d\x00\x01", 4)},
    };
    for (const auto& [type, body] : expected)
        EXPECT_EQ(kept[type], body) << type;
    const std::string exif = kept["eXIf"];
    EXPECT_EQ(exifOrientation(reinterpret_cast<const std::uint8_t*>(exif.data()), exif.size()), 6);
    EXPECT_EQ(privateTags(path), "");
    const CheckResult check = sameImage(folder.path("before.png"), path);
    EXPECT_TRUE(check.same) << check.reason;
}

TEST_F(StripArguments, TiffKeepsProfileAndOrientationAndLosesCameraData)
{
    const std::string path = folder.path("scan.tif");
    writeTiff(path, {patternImage(30, 20)}, {16, true, testProfile(4), 8, 0});
    run({"exiftool", "-q", "-q", "-overwrite_original", "-Make=Camera", "-Software=Editor",
         "-ModifyDate=2020:01:02 03:04:05", "-GPSLatitude=10", "-GPSLatitudeRef=N",
         "-XMP:Creator=Someone", path});
    folder.write("before.tif", folder.read("scan.tif"));
    ASSERT_NE(privateTags(path), "");

    strip(path);

    EXPECT_EQ(privateTags(path), "");
    EXPECT_EQ(run({"exiftool", "-b", "-ICC_Profile", path}), testProfile(4));
    EXPECT_EQ(run({"exiftool", "-s3", "-n", "-IFD0:Orientation", path}), "8\n");
    const CheckResult check = sameImage(folder.path("before.tif"), path);
    EXPECT_TRUE(check.same) << check.reason;
}

} // namespace
