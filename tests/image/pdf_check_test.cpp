#include "image/image_check.h"

#include <gtest/gtest.h>

#include "image_files.h"

namespace {

TEST(PdfCheck, TheResultMustOpenWithAsManyPages)
{
    ImageFolder folder;
    const std::string two = folder.write("two.pdf", minimalPdf(2));
    const CheckResult same = sameImage(two, folder.write("rewritten.pdf", minimalPdf(2)));
    EXPECT_TRUE(same.same) << same.reason;
    const struct {
        const char* name;
        std::string after;
        const char* reason;
    } cases[] = {
        {"page lost", minimalPdf(1), "the page count changed"},
        {"page gained", minimalPdf(3), "the page count changed"},
        {"header only", "%PDF-1.4\n", "it does not decode"},
        {"cut in half", minimalPdf(2).substr(0, minimalPdf(2).size() / 2), "it does not decode"},
    };
    for (const auto& entry : cases) {
        const CheckResult result = sameImage(two, folder.write("after.pdf", entry.after));
        EXPECT_FALSE(result.same) << entry.name;
        EXPECT_EQ(result.reason, entry.reason) << entry.name;
    }
}

} // namespace
