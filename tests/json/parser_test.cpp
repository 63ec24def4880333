#include <string>

#include <gtest/gtest.h>

#include "json/json_parser.h"
#include "json_test_support.h"

namespace {

TEST(JsonMinify, DropsBlanksAndCommentsOutsideStringsOnly)
{
    struct Case {
        std::string input;
        std::string expected;
    };
    const Case cases[] = {
        {"{ \"a\" : 1 }", "{\"a\":1}"},
        {"[1, // line\r\n 2]", "[1,2]"},
        {"[1 /* block */ ,2]", "[1,2]"},
        {"/*/ still open */[]", "[]"},
        {"[\"a b /* kept */ // kept\"]", "[\"a b /* kept */ // kept\"]"},
        {"[\"say \\\"hi\\\"\"]", "[\"say \\\x01hi\\\x01\"]"},
        {"[\"a\\\\\", 2]", "[\"a\\\\\",2]"},
        {"\f\v[1]", "\f\v[1]"},
        {"[\"open", "[\"open"},
        {"[1]/* never closed", "[1]"},
        {"[1]// to the end", "[1]"},
        {"[\"a\\", "[\"a\\"},
        {"[1/2]", "[1]"},
        {"[1/ /2]", "[1]"},
        {"[1]/", "[1]"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(minifyJson(c.input), c.expected);
        EXPECT_EQ(minifyJson(c.expected), c.expected) << "minifying twice changes the text";
    }
}

TEST(JsonFindTopLevel, FindsOnlyAtDepthZeroOutsideStrings)
{
    struct Case {
        char wanted;
        std::string text;
        std::size_t start;
        std::size_t expected;
    };
    const Case cases[] = {
        {',', "[1,2]", 1, 2},
        {',', "[[1,2],3]", 1, 6},
        {',', "[{\"a\":1,\"b\":2},3]", 1, 14},
        {',', "[\"a,b\",c]", 1, 6},
        {':', "{\"a:b\":1}", 1, 6},
        {',', "[1]", 1, jsonNotFound},
        {',', "[1},2]", 1, jsonNotFound},
        {',', "[\"open,", 1, jsonNotFound},
        {',', "[1,2]", 9, jsonNotFound},
        {',', ",", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(findTopLevel(c.wanted, c.text, c.start), c.expected);
    }
}

TEST(JsonParse, CommentsAndBlankLinesDoNotChangeTheTree)
{
    const std::string plain = "{\"Full\":true,\"list\":[1,{\"x\":\"y\"}],\"Strip\":false}";
    const std::string commented = "// settings\r\n"
                                  "{\r\n"
                                  "\t\"Full\" : true, /* on */\r\n"
                                  "\r\n"
                                  "\t\"list\" : [ 1 , { \"x\" : \"y\" } ],\r\n"
                                  "\t// the last one\n"
                                  "\t\"Strip\" : false\r\n"
                                  "}\r\n";
    jsonNodePtr a(parseDocument(plain));
    jsonNodePtr b(parseDocument(commented));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(toFormattedText(*a), toFormattedText(*b));
    EXPECT_EQ(expandedCompact(*b), plain);
}

TEST(JsonParse, EmptyContainersHaveNoChildren)
{
    jsonNodePtr object(parseDocument("{}"));
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->getKind(), jsonObject);
    EXPECT_EQ(object->getChildCount(), 0u);
    jsonNodePtr array(parseDocument(" [ ] "));
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(array->getKind(), jsonArray);
    EXPECT_EQ(array->getChildCount(), 0u);
}

TEST(JsonParse, ArrayRootIsSplitAtOnceObjectRootWhenRead)
{
    jsonNodePtr array(parseDocument("[1, [2, 3], {\"k\" : \"v\"}]"));
    ASSERT_NE(array, nullptr);
    EXPECT_TRUE(array->isExpanded());
    EXPECT_EQ(array->storedChildCount(), 3u);
    EXPECT_EQ(array->childAt(0)->rawText(), "1");
    EXPECT_EQ(array->childAt(1)->rawText(), "[2,3]");
    EXPECT_FALSE(array->childAt(1)->isExpanded());
    EXPECT_EQ(array->childAt(2)->rawText(), "{\"k\":\"v\"}");

    jsonNodePtr object(parseDocument("{\"a\":{\"b\":[1,2]},\"c\":3}"));
    ASSERT_NE(object, nullptr);
    EXPECT_FALSE(object->isExpanded());
    EXPECT_EQ(object->findChild("c")->asInt(), 3);
    jsonNode* a = object->findChild("a");
    EXPECT_FALSE(a->isExpanded());
    EXPECT_EQ(a->rawText(), "{\"b\":[1,2]}");
    jsonNode* b = a->findChild("b");
    EXPECT_FALSE(b->isExpanded());
    EXPECT_EQ(b->getChildCount(), 2u);
}

TEST(JsonParse, SeparatorsInsideStringsSplitNothing)
{
    jsonNodePtr root(parseDocument("{\"a,b\":1,\"c\":\"x:y\"}"));
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(root->getChildCount(), 2u);
    EXPECT_EQ(root->childAt(0)->getName(), "a,b");
    EXPECT_EQ(root->childAt(0)->asInt(), 1);
    EXPECT_EQ(root->childAt(1)->getName(), "c");
    EXPECT_EQ(root->childAt(1)->getString(), "x:y");
}

TEST(JsonParse, EscapedQuoteInParsedTextDecodesToAQuote)
{
    jsonNodePtr root(parseDocument("{\"s\":\"a\\\"b\\\\\",\"t\":1}"));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->findChild("s")->getString(), "a\"b\\");
    EXPECT_EQ(root->findChild("t")->asInt(), 1);
}

TEST(JsonParse, DuplicateNamesAreAllKeptFirstWins)
{
    jsonNodePtr root(parseDocument("{\"Full\":false,\"Full\":true}"));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->getChildCount(), 2u);
    EXPECT_FALSE(root->findChild("Full")->asBool());
}

TEST(JsonParse, TextThatIsNotOneCompleteObjectOrArrayIsRejected)
{
    const char* rejected[] = {
        "",           "   \r\n\t", "12",   "\"text\"",
        "true",       "{",         "[",    "[1,2",
        "{\"a\":1",   "{]",        "[}",   "// only a comment",
        "/* only */", "[1]x",      "x[1]", "\xEF\xBB\xBF{}",
    };
    for (const char* text : rejected) {
        SCOPED_TRACE(text);
        EXPECT_EQ(parseDocument(text), nullptr);
    }
}

} // namespace
