#include "image/image_check.h"

#include <gtest/gtest.h>

#include "image_files.h"

namespace {

class JpegCheck : public ::testing::Test {
protected:
    CheckResult compare(const std::string& before, const std::string& after)
    {
        return sameImage(folder.write("before.jpg", before), folder.write("after.jpg", after));
    }

    ImageFolder folder;
    TestImage image = patternImage(37, 21);
};

TEST_F(JpegCheck, LosslessChangesKeepTheSamples)
{
    const std::string profile = testProfile();
    const CheckResult progressive = compare(encodeJpeg(image, {90, false, profile, 6, "a comment"}),
                                            encodeJpeg(image, {90, true, profile, 6, ""}));
    EXPECT_TRUE(progressive.same) << progressive.reason;
    const CheckResult normal =
        compare(encodeJpeg(image, {90, false, "", 1, ""}), encodeJpeg(image));
    EXPECT_TRUE(normal.same) << normal.reason;
}

TEST_F(JpegCheck, ChangesThatShowAreNotTheSame)
{
    TestImage changed = image;
    changed.at(30, 10)[0] = 0;
    const std::string profile = testProfile();
    const struct {
        const char* name;
        std::string before;
        std::string after;
        const char* reason;
    } cases[] = {
        {"pixel", encodeJpeg(image), encodeJpeg(changed), "the pixels differ"},
        {"quality", encodeJpeg(image), encodeJpeg(image, {60, false, "", 0, ""}),
         "the pixels differ"},
        {"profile lost", encodeJpeg(image, {90, false, profile, 0, ""}), encodeJpeg(image),
         "the colour profile changed"},
        {"other profile", encodeJpeg(image, {90, false, profile, 0, ""}),
         encodeJpeg(image, {90, false, testProfile(3), 0, ""}), "the colour profile changed"},
        {"orientation", encodeJpeg(image, {90, false, "", 6, ""}),
         encodeJpeg(image, {90, false, "", 8, ""}), "the orientation changed"},
        {"orientation lost", encodeJpeg(image, {90, false, "", 3, ""}), encodeJpeg(image),
         "the orientation changed"},
    };
    for (const auto& entry : cases) {
        const CheckResult result = compare(entry.before, entry.after);
        EXPECT_FALSE(result.same) << entry.name;
        EXPECT_EQ(result.reason, entry.reason) << entry.name;
    }
}

TEST_F(JpegCheck, ProfileSpreadOverSegmentsIsJoined)
{
    // Larger than one APP2 segment holds, so it is written as three.
    const std::string profile = testProfile(0, 150000);
    std::string other = profile;
    other.back() = 'q';
    EXPECT_TRUE(compare(encodeJpeg(image, {90, false, profile, 0, ""}),
                        encodeJpeg(image, {90, true, profile, 0, ""}))
                    .same);
    EXPECT_EQ(compare(encodeJpeg(image, {90, false, profile, 0, ""}),
                      encodeJpeg(image, {90, false, other, 0, ""}))
                  .reason,
              "the colour profile changed");
}

TEST_F(JpegCheck, TruncatedFileDoesNotDecode)
{
    const std::string good = encodeJpeg(image);
    for (const std::size_t keep : {good.size() - 2, good.size() / 2, std::size_t{200}}) {
        const CheckResult result = compare(good, good.substr(0, keep));
        EXPECT_FALSE(result.same) << keep;
        EXPECT_EQ(result.reason, "it does not decode") << keep;
    }
}

} // namespace
