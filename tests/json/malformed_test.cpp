// Input that is not valid JSON: the parser accepts what lies inside the outer brackets and
// splits it by position, never reading outside the text.
#include <string>

#include <gtest/gtest.h>

#include "json/json_parser.h"
#include "json_test_support.h"

namespace {

struct Case {
    std::string input;
    std::string expanded; // compact text of the fully expanded tree
};

const Case malformed[] = {
    {"[1,]", "[1,]"},
    {"[,]", "[,]"},
    {"[1,,2]", "[1,,2]"},
    {"[]]", "[]]"},
    {"[{]", "[{}]"},
    {"{\"a\":1,}", "{\"a\":1,\"\":}"},
    {"{\"a\"}", "{\"a\":}"},
    {"{,}", "{\"\":,\"\":}"},
    {"{:1}", "{\"\":1}"},
    {"{abc:1}", "{\"b\":1}"},
    {"{\"a\":1,\"b\",\"c\":2}", "{\"a\":1,\"b\":,\"c\":2}"},
    {"{\"a\":[1,2}", "{\"a\":[1,]}"},
    {"{\"a\":{\"b\":}}", "{\"a\":{\"b\":}}"},
    {"[\"abc]", "[\"ab\"]"},
    {"[\"a\\\"]", "[\"a\"]"},
    {"[\"\\x\"]", "[\"\"]"},
    {"{\"a\":\"\\u12\"}", "{\"a\":\"\"}"},
    {"[\"\\q\"]", "[\"\"]"},
    {"[1/2]", "[1]"},
};

TEST(JsonMalformed, MalformedTextIsSplitByPositionInsideTheOuterBrackets)
{
    for (const Case& c : malformed) {
        SCOPED_TRACE(c.input);
        jsonNodePtr root(parseDocument(c.input));
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(expandedCompact(*root), c.expanded);
    }
}

TEST(JsonMalformed, WrittenTextReadsBackToTheSameTree)
{
    for (const Case& c : malformed) {
        SCOPED_TRACE(c.input);
        jsonNodePtr again(parseDocument(c.expanded));
        ASSERT_NE(again, nullptr);
        EXPECT_EQ(expandedCompact(*again), c.expanded);
    }
}

TEST(JsonMalformed, CutOffTextEndsAtTheEnd)
{
    // Each prefix of a document with strings, escapes and comments parses or is refused,
    // and whatever parses can be expanded and written.
    const std::string document =
        "{ /* c */ \"a\\\"b\" : [1, \"x\\u00e9\\x41\\101\", {\"k\" : null}], // d\n \"z\" : tru }";
    int accepted = 0;
    for (std::size_t n = 0; n <= document.size(); ++n) {
        std::string prefix = document.substr(0, n);
        SCOPED_TRACE(prefix);
        jsonNodePtr root(parseDocument(prefix));
        if (!root)
            continue;
        ++accepted;
        std::string compact = expandedCompact(*root);
        EXPECT_FALSE(toFormattedText(*root).empty());
        if (n == document.size()) {
            EXPECT_EQ(compact, "{\"a\\\x01"
                               "b\":[1,\"x\\u00E9AA\",{\"k\":null}],\"z\":tru}");
        }
    }
    // Only the whole text and the prefix that ends with the inner object's brace qualify.
    EXPECT_EQ(accepted, 2);
}

} // namespace
