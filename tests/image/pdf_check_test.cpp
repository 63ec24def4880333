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

TEST(PdfCheck, WhatAPageShowsMustStayTheSame)
{
    ImageFolder folder;
    const std::string one = "BT /F1 12 Tf 20 100 Td (one) Tj ET";
    const std::string two = "BT /F1 12 Tf 20 100 Td (two) Tj ET";
    const std::string original = folder.write("original.pdf", contentPdf({one, two}));
    std::string otherFont = contentPdf({one, two});
    otherFont.replace(otherFont.find("/Helvetica"), 10, "/Courier  ");
    const struct {
        const char* name;
        std::string after;
        const char* reason;
    } cases[] = {
        {"second page's text", contentPdf({one, "BT /F1 12 Tf 20 100 Td (owt) Tj ET"}),
         "a page's content changed"},
        {"pages swapped", contentPdf({two, one}), "a page's content changed"},
        {"font the pages use", otherFont, "a page's content changed"},
        {"no content", minimalPdf(2), "a page's content changed"},
    };
    for (const auto& entry : cases) {
        const CheckResult result = sameImage(original, folder.write("after.pdf", entry.after));
        EXPECT_FALSE(result.same) << entry.name;
        EXPECT_EQ(result.reason, entry.reason) << entry.name;
    }
}

TEST(PdfCheck, PlainPdfIsNotEncrypted)
{
    ImageFolder folder;
    EXPECT_FALSE(isEncryptedPdf(folder.write("plain.pdf", contentPdf({"0 0 m 9 9 l S"}))));
    EXPECT_FALSE(isEncryptedPdf(folder.write("text.pdf", "not a pdf")));
    EXPECT_FALSE(isEncryptedPdf(folder.path("missing.pdf")));
}

} // namespace
