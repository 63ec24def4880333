// The fake tools' files pass the engine's own image check: a file of one size and a resized one
// show the same image, so only the tests' choice of size decides what the engine keeps.
#include <gtest/gtest.h>

#include "image/image_check.h"
#include "support/fake_image.h"
#include "support/run_program.h"
#include "support/temp_folder.h"
#include "util/live_file.h"

TEST(FakeImages, EveryKindIsTheSameImageAtAnySizeAndNothingBelowItsMinimum)
{
    TempFolder temp;
    for (const char* name : {"a.png", "a.JPG", "a.jpeg", "a.gif", "a.tif", "a.TIFF", "a.pdf"}) {
        SCOPED_TRACE(name);
        const std::string original = temp.file(std::string("original-") + name);
        const std::string shrunk = temp.file(std::string("shrunk-") + name);
        const std::string large = temp.file(std::string("large-") + name);
        ASSERT_TRUE(writeFileOfSize(original, 5000));
        ASSERT_TRUE(writeFileOfSize(large, 300000));
        EXPECT_EQ(fileSize(original), 5000);
        EXPECT_EQ(fileSize(large), 300000);

        // The program's two forms: in place, and from one file into another.
        ASSERT_EQ(runProgram(fakeImageProgram(), {"--shrink", "1234", large, shrunk}).exitStatus,
                  0);
        EXPECT_EQ(fileSize(shrunk), 300000 - 1234);
        ASSERT_EQ(runProgram(fakeImageProgram(), {"--shrink", "1", large}).exitStatus, 0);
        EXPECT_EQ(fileSize(large), 300000 - 1);

        for (const std::string& other : {shrunk, large}) {
            const CheckResult result = sameImage(original, other);
            EXPECT_TRUE(result.same) << other << ": " << result.reason;
        }

        const FakeKind kind = fakeKindOfPath(original);
        const std::int64_t minimum = fakeImageMinimum(kind);
        ASSERT_GT(minimum, 0);
        const std::string smallest = temp.file(std::string("smallest-") + name);
        writeFileOfSize(smallest, minimum);
        EXPECT_TRUE(sameImage(original, smallest).same);
        const std::string tooSmall = temp.file(std::string("too-small-") + name);
        writeFileOfSize(tooSmall, minimum - 1);
        EXPECT_EQ(fileSize(tooSmall), minimum - 1);
        EXPECT_EQ(sameImage(original, tooSmall).reason, "it does not decode");
    }
}

TEST(FakeImages, VariantDiffersInItsPixelsAndOtherNamesGetThePattern)
{
    TempFolder temp;
    const std::string original = temp.file("a.png");
    const std::string variant = temp.file("b.png");
    writeFileOfSize(original, 1000);
    ASSERT_EQ(runProgram(fakeImageProgram(), {"--variant", "1000", variant}).exitStatus, 0);
    EXPECT_EQ(fileSize(variant), 1000);
    EXPECT_EQ(sameImage(original, variant).reason, "the pixels differ");

    writeFileOfSize(temp.file("notes.txt"), 30);
    EXPECT_EQ(readFile(temp.file("notes.txt")), "abcdefghijklmnopqrstuvwxyzabcd");
    writeFileOfSize(temp.file("tool.exe"), 30);
    EXPECT_EQ(readFile(temp.file("tool.exe")).substr(0, 2), "MZ");
}
