// Results of the real lossless tools the engine runs must pass the checks, and the changes a
// lying tool could make must not.
#include "image/image_check.h"

#include <gtest/gtest.h>

#include "image_files.h"
#include "tool_run.h"

namespace {

class ToolResults : public ::testing::Test {
protected:
    void need(const char* program)
    {
        if (!onPath(program))
            GTEST_SKIP() << program << " is not installed";
    }

    ImageFolder folder;
};

TEST_F(ToolResults, PdfRewrittenOrRetaggedIsTheSame)
{
    need("qpdf");
    need("exiftool");
    const std::string original = folder.write(
        "original.pdf", contentPdf({"BT /F1 12 Tf 20 100 Td (one) Tj ET", "0 0 m 90 90 l S"}));
    run({"qpdf", "--recompress-flate", "--compression-level=9", "--object-streams=generate",
         original, folder.path("recompressed.pdf")});
    run({"qpdf", "--linearize", original, folder.path("linearized.pdf")});
    folder.write("tagged.pdf", folder.read("original.pdf"));
    run({"exiftool", "-q", "-q", "-overwrite_original", "-Title=Another title",
         folder.path("tagged.pdf")});
    for (const char* name : {"recompressed.pdf", "linearized.pdf", "tagged.pdf"}) {
        ASSERT_NE(folder.read(name), folder.read("original.pdf")) << name;
        const CheckResult result = sameImage(original, folder.path(name));
        EXPECT_TRUE(result.same) << name << ": " << result.reason;
    }
}

TEST_F(ToolResults, PdfEncryptedByQpdfIsSeen)
{
    need("qpdf");
    const std::string plain = folder.write("plain.pdf", contentPdf({"0 0 m 90 90 l S"}));
    run({"qpdf", "--encrypt", "user", "owner", "256", "--", plain, folder.path("user.pdf")});
    // An empty user password: it opens without one, and is still encrypted.
    run({"qpdf", "--encrypt", "", "owner", "256", "--", plain, folder.path("owner.pdf")});
    EXPECT_FALSE(isEncryptedPdf(plain));
    EXPECT_TRUE(isEncryptedPdf(folder.path("user.pdf")));
    EXPECT_TRUE(isEncryptedPdf(folder.path("owner.pdf")));
}

TEST_F(ToolResults, GifsicleOptimisedAnimationIsTheSame)
{
    need("gifsicle");
    // A square moving over a still background, every frame stored whole: what frame
    // optimisation gains most on.
    const std::vector<std::uint8_t> palette = {250, 250, 250, 200, 30, 40, 10, 120, 250, 0, 0, 0};
    std::vector<GifFrame> frames;
    for (std::uint32_t f = 0; f < 8; ++f) {
        GifFrame frame{0, 0, 64, 48, {}, 5 + static_cast<int>(f), -1, static_cast<int>(f % 3), {}};
        for (std::uint32_t y = 0; y < 48; ++y) {
            for (std::uint32_t x = 0; x < 64; ++x) {
                const bool square = x >= f * 6 && x < f * 6 + 10 && y >= 10 + f && y < 20 + f;
                frame.indices.push_back(square ? 1 + f % 2 : (x / 8 + y / 8) % 2 ? 0 : 3);
            }
        }
        frames.push_back(frame);
    }
    const std::string original =
        folder.write("original.gif", encodeGif(64, 48, palette, frames, false, 0));
    run({"gifsicle", "-O3", original, "-o", folder.path("optimised.gif")});
    ASSERT_LT(folder.read("optimised.gif").size(), folder.read("original.gif").size());
    const CheckResult result = sameImage(original, folder.path("optimised.gif"));
    EXPECT_TRUE(result.same) << result.reason;
}

TEST_F(ToolResults, JpegtranKeepsProfileOrientationAndPixels)
{
    need("jpegtran");
    const std::string profile = testProfile(0, 70000); // two APP2 segments
    const std::string original =
        folder.write("original.jpg", encodeJpeg(patternImage(37, 21), {90, false, profile, 6, ""}));
    const struct {
        const char* name;
        std::vector<std::string> options;
        const char* reason; // empty: the same
    } cases[] = {
        {"optimized", {"-copy", "all", "-optimize"}, ""},
        {"progressive", {"-copy", "all", "-optimize", "-progressive"}, ""},
        {"markers dropped", {"-copy", "none", "-optimize"}, "the colour profile changed"},
        {"turned", {"-copy", "all", "-rotate", "180"}, "the pixels differ"},
    };
    for (const auto& entry : cases) {
        std::vector<std::string> command = {"jpegtran"};
        command.insert(command.end(), entry.options.begin(), entry.options.end());
        command.insert(command.end(), {"-outfile", folder.path("after.jpg"), original});
        run(command);
        const CheckResult result = sameImage(original, folder.path("after.jpg"));
        EXPECT_EQ(result.same, std::string(entry.reason).empty()) << entry.name;
        EXPECT_EQ(result.reason, entry.reason) << entry.name;
        if (result.same) {
            const std::string after = folder.read("after.jpg");
            EXPECT_EQ(jpegProfile(after), profile) << entry.name;
            EXPECT_EQ(jpegExif(after), exifBlock(6)) << entry.name;
        }
    }
}

} // namespace
