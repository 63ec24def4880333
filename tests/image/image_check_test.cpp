#include "image/image_check.h"

#include <gtest/gtest.h>

#include "image_files.h"

namespace {

TEST(SameImage, FilesThatAreNoImageAreNeverTheSame)
{
    ImageFolder folder;
    const std::string png = folder.write("a.png", encodePng(patternImage(4, 4)));
    const std::string jpeg = folder.write("a.jpg", encodeJpeg(patternImage(4, 4)));
    const std::string empty = folder.write("empty.png", "");
    const std::string text = folder.write("text.png", "not an image at all");
    const struct {
        std::string before;
        std::string after;
        const char* reason;
    } cases[] = {
        {png, empty, "it is empty"},
        {empty, png, "the original is empty"},
        {png, text, "it does not decode"},
        {text, text, "no check for this kind"},
        {png, jpeg, "the file kind changed"},
        {png, folder.path("missing.png"), "it cannot be read"},
    };
    for (const auto& entry : cases) {
        const CheckResult result = sameImage(entry.before, entry.after);
        EXPECT_FALSE(result.same) << entry.before << " / " << entry.after;
        EXPECT_EQ(result.reason, entry.reason) << entry.before << " / " << entry.after;
    }
}

TEST(SameImage, TheKindComesFromTheContentNotTheName)
{
    ImageFolder folder;
    const std::string png = encodePng(patternImage(5, 5));
    const CheckResult result =
        sameImage(folder.write("copy.before", png), folder.write("result.tmp", png));
    EXPECT_TRUE(result.same) << result.reason;
}

// Names are UTF-8 on every system; Windows reads them only through their wide form.
TEST(SameImage, ReadsEveryKindUnderANameBeyondAscii)
{
    ImageFolder folder;
    const std::string name = "\xc3\xa9t\xc3\xa9 \xe5\x86\x99\xe7\x9c\x9f"; // "été 写真"
    writeTiff(folder.path("plain.tif"), {patternImage(6, 4)});
    const GifFrame frame{0, 0, 2, 2, {0, 1, 1, 0}};
    const struct {
        const char* suffix;
        std::string content;
    } files[] = {
        {".png", encodePng(patternImage(6, 4))},
        {".jpg", encodeJpeg(patternImage(6, 4))},
        {".gif", encodeGif(2, 2, {0, 0, 0, 255, 255, 255}, {frame})},
        {".tif", folder.read("plain.tif")},
        {".pdf", minimalPdf(2)},
    };
    for (const auto& file : files) {
        ASSERT_FALSE(file.content.empty()) << file.suffix;
        const std::string before = folder.write(name + file.suffix, file.content);
        const std::string after = folder.write(name + " 2" + file.suffix, file.content);
        const CheckResult result = sameImage(before, after);
        EXPECT_TRUE(result.same) << file.suffix << ": " << result.reason;
    }
}

} // namespace
