#include "engine/size_report.h"

#include "engine/compress_file.h"
#include "engine_fixture.h"

TEST(SizeTextTest, KilobytesHaveThreeDecimalsAndKeepTheSign)
{
    const struct {
        std::int64_t bytes;
        const char* text;
    } cases[] = {
        {0, "0.000"},      {12642, "12.346"}, {1024, "1.000"},
        {-1024, "-1.000"}, {-100, "-0.098"},  {5368709120LL, "5242880.000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(kilobytesText(c.bytes), c.text) << c.bytes;
    EXPECT_EQ(sizeText(-1), "0.000");
}

TEST(SizeTextTest, RemainingShareOfUnknownOrEmptyFilesIsWhole)
{
    EXPECT_DOUBLE_EQ(remainingPercent(0, 0), 100.0);
    EXPECT_DOUBLE_EQ(remainingPercent(-1, -1), 100.0);
    EXPECT_DOUBLE_EQ(remainingPercent(100, -1), 100.0);
    EXPECT_DOUBLE_EQ(remainingPercent(200, 50), 25.0);
}

TEST(DisplayNameTest, BaseFolderAndOneSeparatorAreCut)
{
    const struct {
        const char* path;
        const char* base;
        const char* shown;
    } cases[] = {
        {"/x/pics/a.png", "/x/pics/", "a.png"},
        {"/x/pics/sub/b.png", "/x/pics", "sub/b.png"},
        {"/x/pics/a.png", "/x/other", "/x/pics/a.png"},
        {"/x/pics/a.png", "", "/x/pics/a.png"},
        {"a.png", "", "a.png"},
        {"/x/pics/a\nFinished Compression at.png", "/x/pics", "a\\nFinished Compression at.png"},
        {"/x/pics/\r\t\x01\x1b\x7f.png", "/x/pics", "\\r\\t\\x01\\x1b\\x7f.png"},
        {"/x/pics/sub\\b \xc3\xa9.png", "/x/pics", "sub\\b \xc3\xa9.png"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(displayName(c.path, c.base), c.shown) << c.path << " " << c.base;
}

using UpdateStatusTest = EngineTest;

TEST_F(UpdateStatusTest, CounterIsOneBasedAndTotalAlwaysFollows)
{
    updateStatus(context(surfaces), 0, 1);
    updateStatus(context(surfaces), 2, 17);
    state.addToTotalSaved(-2048);
    updateStatus(context(surfaces), -1, 0);

    EXPECT_EQ(surfaces.statusHistory(0),
              (std::vector<std::string>{"Compressing File: 1/1", "Compressing File: 3/17"}));
    EXPECT_EQ(surfaces.statusHistory(1),
              (std::vector<std::string>{"Saved: 0.000 KB", "Saved: 0.000 KB", "Saved: -2.000 KB"}));
}
