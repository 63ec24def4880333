#include <string>

#include <gtest/gtest.h>

#include "json/json_escape.h"
#include "json/json_parser.h"
#include "json_test_support.h"

namespace {

using namespace std::string_literals;

TEST(JsonUnescape, DecodesEveryEscapeOfTheTable)
{
    struct Case {
        std::string body;
        std::string expected;
    };
    const Case cases[] = {
        {"plain", "plain"},     {"a\\nb", "a\nb"},       {"\\b\\f\\n\\r\\t\\v", "\b\f\n\r\t\v"},
        {"\\'\\/\\\\", "'/\\"}, {"\\\x01", "\""},        {"\\\"", ""},
        {"\\q!", "!"},          {"\\x41", "A"},          {"\\x4a\\x4A", "JJ"},
        {"\\u0041", "A"},       {"\\u1241", "A"},        {"\\u00e9", "\xE9"},
        {"\\101", "A"},         {"\\377", "\xFF"},       {"\\999", "I"},
        {"\\xG1", "\x01"s},     {"\\x\xFF\xFF", "\xA8"}, {"\\u12\\41", "T1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        EXPECT_EQ(unescapeJson(c.body), c.expected);
    }
}

TEST(JsonUnescape, EscapesCutOffByTheEndGiveNothing)
{
    const char* bodies[] = {"ab\\", "ab\\x", "ab\\x4", "ab\\u", "ab\\u004", "ab\\1", "ab\\12"};
    for (const char* body : bodies) {
        SCOPED_TRACE(body);
        EXPECT_EQ(unescapeJson(body), "ab");
    }
}

TEST(JsonEscape, WritesTheTableAndOnlyPrintableAscii)
{
    struct Case {
        std::string value;
        std::string expected;
    };
    const Case cases[] = {
        {"\t\"/\\\x7F\xE9", "\\t\\\"\\/\\\\\\u007F\\u00E9"},
        {"\b\f\n\r\v", "\\b\\f\\n\\r\\v"},
        {"'", "\\'"},
        {"\x01"s, "\\u0001"},
        {"\x00"s, "\\u0000"},
        {"\x1F\x80\xFF", "\\u001F\\u0080\\u00FF"},
        {"abc ~{}", "abc ~{}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(escapeJson(c.value), c.expected);
    }
    std::string every;
    for (int b = 0; b < 256; ++b)
        every += static_cast<char>(b);
    for (char c : escapeJson(every)) {
        EXPECT_GE(static_cast<unsigned char>(c), 0x20);
        EXPECT_LE(static_cast<unsigned char>(c), 0x7E);
    }
}

TEST(JsonEscape, EveryByteSurvivesWriteAndParse)
{
    std::string every;
    for (int b = 0; b < 256; ++b)
        every += static_cast<char>(b);
    jsonNodePtr root(createNode("", "[]"));
    root->addStringChild("", every);
    jsonNodePtr back(parseDocument(toText(*root, -1)));
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->getChildCount(), 1u);
    EXPECT_EQ(back->childAt(0)->getString(), every);
}

TEST(JsonEscape, EscapedQuoteInARawValueAddedByHandDecodesToNothing)
{
    jsonNodePtr root(createNode("", "{}"));
    jsonNode* value = root->addChild("s", "\"a\\\"b\"");
    EXPECT_EQ(value->getString(), "ab");
}

TEST(JsonEscapeStandard, KeepsUtf8AndEscapesOnlyWhatStandardJsonForbids)
{
    struct Case {
        std::string value;
        std::string expected;
    };
    const Case cases[] = {
        {"a b/c'.png", "a b/c'.png"}, // no escape for the slash or the apostrophe
        {"\"\\", "\\\"\\\\"},
        {"\t\n\r", "\\t\\n\\r"},
        {"\b\f\v", "\\u0008\\u000C\\u000B"}, // no letters beyond the three above
        {"\x00\x1F\x7F"s, "\\u0000\\u001F\\u007F"},
        {"\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xB7", "\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xB7"},
        {"\xDF\xBF\xEF\xBF\xBF\xF4\x8F\xBF\xBF",
         "\xDF\xBF\xEF\xBF\xBF\xF4\x8F\xBF\xBF"}, // the highest of each length
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(escapeJsonStandard(c.value), c.expected);
    }
}

TEST(JsonEscapeStandard, BytesOutsideValidUtf8BecomeLowSurrogateEscapes)
{
    struct Case {
        std::string value;
        std::string expected;
    };
    const Case cases[] = {
        {"\x80", "\\uDC80"},                                       // a lone continuation byte
        {"\xFF\xFE", "\\uDCFF\\uDCFE"},                            // never valid
        {"\xC1\xBF", "\\uDCC1\\uDCBF"},                            // overlong two-byte form
        {"\xE0\x9F\xBF", "\\uDCE0\\uDC9F\\uDCBF"},                 // overlong three-byte form
        {"\xF0\x8F\xBF\xBF", "\\uDCF0\\uDC8F\\uDCBF\\uDCBF"},      // overlong four-byte form
        {"\xED\xBF\xBF", "\\uDCED\\uDCBF\\uDCBF"},                 // an encoded surrogate
        {"\xF5\x80\x80\x80", "\\uDCF5\\uDC80\\uDC80\\uDC80"},      // lead byte above U+10FFFF
        {"\xE2\x82", "\\uDCE2\\uDC82"},                            // cut short by the end
        {"\xE2\x82x", "\\uDCE2\\uDC82x"},                          // cut short by ASCII
        {"\xF0\x9F\x93\xC3\xA9", "\\uDCF0\\uDC9F\\uDC93\xC3\xA9"}, // cut short, then valid
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(escapeJsonStandard(c.value), c.expected);
    }
}

} // namespace
