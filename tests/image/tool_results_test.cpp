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

} // namespace
