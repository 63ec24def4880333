#include "util/strings.h"

#include <cmath>
#include <iomanip>
#include <limits>
#include <locale>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>

#include "support/environment.h"

#include "support/temp_folder.h"

namespace {

std::string streamFixed(double value, int decimals)
{
    std::ostringstream out;
    out << std::fixed << std::setprecision(decimals) << value;
    return out.str();
}

} // namespace

TEST(StringsTest, EndsWithComparesTheWholeSuffixCaseSensitively)
{
    EXPECT_TRUE(endsWith("photo.png", ".png", 4));
    EXPECT_FALSE(endsWith("photo.PNG", ".png", 4));
    EXPECT_FALSE(endsWith("png", ".png", 4)) << "text shorter than the suffix";
    EXPECT_TRUE(endsWith(".png", ".png", 4));
    EXPECT_FALSE(endsWith("photo.png", ".png", 3)) << "a length that is not the suffix's own";
    EXPECT_FALSE(endsWith("photo.png", ".png", 5));
    EXPECT_TRUE(endsWith("anything", "", 0));
    EXPECT_TRUE(endsWith(toLowerCopy("photo.PNG"), ".png"));
    EXPECT_FALSE(endsWith(std::string("a.png\0", 6), ".png", 4))
        << "bytes after a zero still count";
}

TEST(StringsTest, StartsWithIsCaseSensitive)
{
    EXPECT_TRUE(startsWith("C:\\work\\pics", "C:\\work"));
    EXPECT_FALSE(startsWith("C:\\work\\pics", "c:\\work"));
    EXPECT_TRUE(startsWith("abc", ""));
    EXPECT_FALSE(startsWith("ab", "abc"));
}

TEST(StringsTest, CaseChangesTouchAsciiLettersOnly)
{
    std::string text = "AbZ az@[`{ \xC9\xE9 09";
    EXPECT_EQ(toLowerCopy(text), "abz az@[`{ \xC9\xE9 09");
    toUpperInPlace(text);
    EXPECT_EQ(text, "ABZ AZ@[`{ \xC9\xE9 09");
    toLowerInPlace(text);
    EXPECT_EQ(text, "abz az@[`{ \xC9\xE9 09");
}

TEST(StringsTest, NumberToTextMatchesFixedStreamOutput)
{
    const double values[] = {0.0,
                             -0.0,
                             1.5,
                             12.5,
                             -1.25,
                             1536 / 1024.0,
                             0.0004,
                             -0.0004,
                             0.0005,
                             0.0015,
                             2.675,
                             999.9995,
                             1e15 + 0.3,
                             123456789.123456,
                             -98765.4321,
                             1.0 / 3.0,
                             4294967295.0 / 1024.0,
                             1e300,
                             5e-324,
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity()};
    for (const double value : values) {
        for (const int decimals : {3, 0, 1, 6, 20}) {
            EXPECT_EQ(numberToText(value, decimals), streamFixed(value, decimals))
                << value << " " << decimals;
        }
    }
    EXPECT_EQ(numberToText(1536 / 1024.0, 3), "1.500");
    EXPECT_EQ(numberToText(0.0004, 3), "0.000");
    EXPECT_EQ(numberToText(-1.25, 3), "-1.250");
    EXPECT_EQ(numberToText(1234567.0, 3), "1234567.000") << "no thousands separators";
}

TEST(StringsTest, NumberToTextKeepsThePointUnderACommaLocale)
{
    // A display library may switch the C locale to the user's; log texts must not change with it.
    // Build a German locale (decimal comma) in a temporary folder, as few machines have one.
    TempFolder temp;
    const std::string command =
        "localedef -i de_DE -f UTF-8 '" + temp.path("de_DE.UTF-8") + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        GTEST_SKIP() << "localedef cannot build a locale here";
    ::setenv("LOCPATH", temp.path().c_str(), 1);
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    const bool switched = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    const bool comma = switched && std::localeconv()->decimal_point[0] == ',';
    const std::string text = numberToText(12.5, 3);
    std::setlocale(LC_NUMERIC, saved.c_str());
    ::unsetenv("LOCPATH");
    ASSERT_TRUE(comma) << "the built locale did not take effect";
    EXPECT_EQ(text, "12.500");
}

TEST(StringsTest, IntegersToText)
{
    EXPECT_EQ(intToText(0), "0");
    EXPECT_EQ(intToText(-42), "-42");
    EXPECT_EQ(intToText(std::numeric_limits<std::int32_t>::min()), "-2147483648");
    EXPECT_EQ(unsignedToText(4294967295u), "4294967295");
    EXPECT_EQ(unsignedToText(7), "7");
}

TEST(StringsTest, NoCaseComparisonAndSearch)
{
    EXPECT_TRUE(equalsNoCase("Hello.PNG", "hELLO.png"));
    EXPECT_FALSE(equalsNoCase("Hello", "Hello!"));
    EXPECT_FALSE(equalsNoCase("@", "`")) << "only letters fold";
    EXPECT_FALSE(equalsNoCase("\xC9", "\xE9"));

    EXPECT_EQ(findNoCase("xxABcab", "ab"), 2u);
    EXPECT_EQ(findNoCase("xxABcab", "ab", 3), 5u);
    EXPECT_EQ(findNoCase("xxABcab", "abc", 3), notFound);
    EXPECT_EQ(findNoCase("abc", ""), notFound);
    EXPECT_EQ(findNoCase("abc", "a", 10), notFound);

    EXPECT_EQ(rfindNoCase("Abc", "a", 2), 0u);
    EXPECT_EQ(rfindNoCase("abcABC", "ab"), 3u);
    EXPECT_EQ(rfindNoCase("abcABC", "ab", 2), 0u);
    // A position from which the needle would run past the end must not hide an earlier match.
    EXPECT_EQ(rfindNoCase("xab a", "ab", 4), 1u);
    EXPECT_EQ(rfindNoCase("ab", "abc"), notFound);
    EXPECT_EQ(rfindNoCase("abc", ""), notFound);
}

TEST(StringsTest, ReplaceFirstAndAll)
{
    struct Case {
        const char* text;
        const char* search;
        const char* replacement;
        std::size_t start;
        const char* first;
        const char* all;
    };
    const Case cases[] = {
        {"a.b.c", ".", "\\", 0, "a\\b.c", "a\\b\\c"}, {"a.b.c", ".", "\\", 2, "a.b\\c", "a.b\\c"},
        {"aaa", "a", "aa", 0, "aaaa", "aaaaaa"},      {"abab", "ab", "", 0, "ab", ""},
        {"abc", "x", "y", 0, "abc", "abc"},           {"abc", "", "y", 0, "abc", "abc"},
        {"abc", "c", "d", 9, "abc", "abc"},           {"aXa", "x", "-", 0, "aXa", "aXa"},
    };
    for (const Case& c : cases) {
        std::string first = c.text;
        replaceFirst(first, c.search, c.replacement, c.start);
        EXPECT_EQ(first, c.first) << c.text << " " << c.search;
        std::string all = c.text;
        replaceAll(all, std::string(c.search), c.replacement, c.start);
        EXPECT_EQ(all, c.all) << c.text << " " << c.search;
    }
    std::string text = "Photo.PNG and photo.png";
    replaceFirstNoCase(text, ".png", ".gif");
    EXPECT_EQ(text, "Photo.gif and photo.png");
    replaceAllNoCase(text, "PHOTO", "pic");
    EXPECT_EQ(text, "pic.gif and pic.png");
    replaceAllNoCase(text, "p", "PP", 4);
    EXPECT_EQ(text, "pic.gif and PPic.PPng");
}

TEST(StringsTest, PartsTrimsAndReverse)
{
    EXPECT_EQ(leftPart("abc", 10), "abc");
    EXPECT_EQ(leftPart("abc", 2), "ab");
    EXPECT_EQ(rightPart("abc", 2), "bc");
    EXPECT_EQ(rightPart("abc", 10), "abc");
    EXPECT_EQ(rightPart("", 1), "");

    const std::vector<std::pair<std::string, std::string>> trims = {
        {" \t\r\n ", ""},
        {"  a b \t", "a b"},
        {std::string("\0x\x1F", 3), "x"},
        // Bytes from 0x80 are letters in UTF-8 and Latin-1 names: kept.
        {"caf\xC3\xA9 ", "caf\xC3\xA9"},
        {"\xE9 ", "\xE9"},
        {"\x7F", "\x7F"},
    };
    for (const auto& [input, expected] : trims) {
        std::string text = input;
        trim(text);
        EXPECT_EQ(text, expected);
    }
    std::string left = "  a  ";
    trimLeft(left);
    EXPECT_EQ(left, "a  ");
    std::string right = "  a  ";
    trimRight(right);
    EXPECT_EQ(right, "  a");

    std::string empty;
    reverseText(empty);
    EXPECT_EQ(empty, "");
    std::string ab = "ab";
    reverseText(ab);
    EXPECT_EQ(ab, "ba");
}

TEST(StringsTest, TextToNumbers)
{
    const std::vector<std::pair<const char*, std::int32_t>> ints = {
        {"0x1f", 31},
        {"0x1F", 31},
        {"-12", -12},
        {"0X1F", 0},
        {"  +42abc", 42},
        {"", 0},
        {"abc", 0},
        {"0xffffffff", -1},
        {"0x123456789", 0x23456789},
        {"2147483647", 2147483647},
        {"99999999999", 2147483647},
        {"-99999999999", -2147483647 - 1},
        {"-2147483648", -2147483647 - 1},
    };
    for (const auto& [text, expected] : ints)
        EXPECT_EQ(textToInt(text), expected) << text;

    EXPECT_EQ(textToInt64("0x7fffffffffffffff"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(textToInt64("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(textToInt64("99999999999999999999"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(textToInt64("5000000000"), 5000000000LL);
    EXPECT_EQ(textToInt64("\t-7"), -7);
}
