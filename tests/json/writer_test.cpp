#include <string>

#include <gtest/gtest.h>

#include "json/json_parser.h"
#include "json/json_writer.h"
#include "json_test_support.h"

namespace {

using namespace std::string_literals;

jsonNodePtr fullAndStrip()
{
    jsonNodePtr root(createNode("", "{}"));
    root->addChild("Full", "true");
    root->addChild("Strip", "false");
    return root;
}

TEST(JsonWriter, CompactObjectHasNoWhitespace)
{
    EXPECT_EQ(toText(*fullAndStrip(), -1), "{\"Full\":true,\"Strip\":false}");
}

TEST(JsonWriter, FormattedObjectUsesTabsAndCrLf)
{
    EXPECT_EQ(toFormattedText(*fullAndStrip()),
              "{\r\n\t\"Full\" : true,\r\n\t\"Strip\" : false\r\n}");
}

TEST(JsonWriter, NestedArrayInBothModes)
{
    jsonNodePtr root(parseDocument("[true,[1,2]]"));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(toText(*root, -1), "[true,[1,2]]");
    EXPECT_EQ(toFormattedText(*root), "[\r\n\ttrue,\r\n\t[\r\n\t\t1,\r\n\t\t2\r\n\t]\r\n]");
    EXPECT_EQ(toText(*root, 2),
              "[\r\n\t\t\ttrue,\r\n\t\t\t[\r\n\t\t\t\t1,\r\n\t\t\t\t2\r\n\t\t\t]\r\n\t\t]");
    EXPECT_EQ(writeChildren(*root, -1), "true,[1,2]");
}

TEST(JsonWriter, MemberObjectOpensAfterTheSeparator)
{
    jsonNodePtr root(parseDocument("{\"a\":{\"b\":1},\"e\":{},\"f\":[]}"));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(toFormattedText(*root),
              "{\r\n\t\"a\" : {\r\n\t\t\"b\" : 1\r\n\t},\r\n\t\"e\" : {},\r\n\t\"f\" : []\r\n}");
}

TEST(JsonWriter, EmptyContainersHaveNothingBetweenBrackets)
{
    const char* texts[] = {"{}", "[]"};
    for (const char* text : texts) {
        jsonNodePtr node(createNode("", text));
        EXPECT_EQ(toText(*node, -1), text);
        EXPECT_EQ(toFormattedText(*node), text);
        EXPECT_EQ(writeChildren(*node, 0), "");
    }
}

TEST(JsonWriter, CommentsFormattedOnlyAndNeverCommaBearing)
{
    jsonNodePtr root = fullAndStrip();
    root->addComment("note");
    EXPECT_EQ(root->storedChildCount(), 2u);
    EXPECT_EQ(toText(*root, -1), "{\"Full\":true,\"Strip\":false}");
    EXPECT_EQ(toFormattedText(*root),
              "{\r\n\t\"Full\" : true,\r\n\t\"Strip\" : false\r\n\t//note\r\n}");

    root->addComment("one\r\ntwo\n");
    EXPECT_EQ(toFormattedText(*root),
              "{\r\n\t\"Full\" : true,\r\n\t\"Strip\" : false\r\n\t//note\r\n"
              "\t/*\r\n\t\tone\r\n\t\ttwo\r\n\t\t\r\n\t*/\r\n}");

    // A later value raises the count again, so the value before the comments gets its comma.
    root->addChild("Copy", "true");
    EXPECT_EQ(toText(*root, -1), "{\"Full\":true,\"Strip\":false,\"Copy\":true}");
}

TEST(JsonWriter, DetachingBeforeTrailingCommentsLeavesNoTrailingComma)
{
    jsonNodePtr root = fullAndStrip();
    root->addComment("end");
    jsonNodePtr full(root->detachChild("Full"));
    EXPECT_EQ(toText(*root, -1), "{\"Strip\":false}");
    EXPECT_EQ(toFormattedText(*root), "{\r\n\t\"Strip\" : false\r\n\t//end\r\n}");
}

TEST(JsonWriter, CommentBeforeTheValues)
{
    jsonNodePtr root(createNode("", "[]"));
    root->addComment("head");
    root->addChild("", "1");
    root->addChild("", "2");
    EXPECT_EQ(toText(*root, -1), "[1,2]");
    EXPECT_EQ(toFormattedText(*root), "[\r\n\t//head\r\n\t1,\r\n\t2\r\n]");
}

TEST(JsonWriter, CommentNodesWrittenAlone)
{
    jsonNode comment(jsonComment);
    jsonNodePtr holder(createNode("", "[]"));
    holder->addComment("a\nb");
    jsonNode& multi = *holder->childAt(0);
    EXPECT_EQ(toText(multi, -1), "");
    EXPECT_EQ(writeComment(multi, 0), "/*\r\n\ta\r\n\tb\r\n*/");
    EXPECT_EQ(writeComment(multi, 1), "/*\r\n\t\ta\r\n\t\tb\r\n\t*/");
    EXPECT_EQ(writeComment(comment, 3), "//");
}

TEST(JsonWriter, RawTextPassesThroughUnchanged)
{
    const std::string input =
        "{ \"n\" : 1.50, \"m\" : 3.10, \"s\" : \"a\\\"b\", \"l\" : [ nil, tru ] }";
    const std::string minified = "{\"n\":1.50,\"m\":3.10,\"s\":\"a\\\x01"
                                 "b\",\"l\":[nil,tru]}";
    jsonNodePtr root(parseDocument(input));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(toText(*root, -1), minified);
    // Reading one member splits only the root; the rest still goes out as stored.
    EXPECT_EQ(root->findChild("m")->asFloat(), 3.1f);
    EXPECT_EQ(toText(*root, -1), minified);
    EXPECT_FALSE(root->findChild("s")->isExpanded());
    // The formatted writer expands containers but never strings.
    EXPECT_EQ(toFormattedText(*root),
              "{\r\n\t\"n\" : 1.50,\r\n\t\"m\" : 3.10,\r\n\t\"s\" : \"a\\\x01"
              "b\",\r\n\t\"l\" : [\r\n\t\tnil,\r\n\t\ttru\r\n\t]\r\n}");
    EXPECT_FALSE(root->findChild("s")->isExpanded());
    jsonNodePtr again(parseDocument(toText(*root, -1)));
    EXPECT_EQ(again->findChild("s")->getString(), "a\"b");
}

TEST(JsonWriter, ExpandedStringsAreEscapedNamesAreNot)
{
    jsonNodePtr root(createNode("", "{}"));
    root->addStringChild("s", "\t\"/\\\x7F\xE9");
    root->addChild("a\"b", "1");
    EXPECT_EQ(toText(*root, -1), "{\"s\":\"\\t\\\"\\/\\\\\\u007F\\u00E9\",\"a\"b\":1}");
}

TEST(JsonWriter, UnnamedObjectMemberKeepsItsEmptyName)
{
    jsonNodePtr root(parseDocument("{\"\":1}"));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->findChild("")->asInt(), 1);
    EXPECT_EQ(toText(*root, -1), "{\"\":1}");
    EXPECT_EQ(toFormattedText(*root), "{\r\n\t\"\" : 1\r\n}");
}

TEST(JsonWriter, DeeplyNestedArraysAreWrittenAfterFullExpansion)
{
    constexpr int depth = 2000;
    const std::string text = std::string(depth, '[') + "1" + std::string(depth, ']');
    jsonNodePtr root(parseDocument(text));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(expandedCompact(*root), text);
    std::string formatted = toFormattedText(*root);
    std::size_t lineEnds = 0;
    for (std::size_t at = formatted.find("\r\n"); at != std::string::npos;
         at = formatted.find("\r\n", at + 2))
        ++lineEnds;
    EXPECT_EQ(lineEnds, 2u * depth);
    EXPECT_EQ(formatted.substr(formatted.size() - 5), "\t]\r\n]");
}

TEST(JsonWriter, StandardTextEscapesStringsAndNamesForOtherPrograms)
{
    jsonNodePtr root(createNode("", "{}"));
    root->addStringChild("path", "a/\xC3\xA9\xFF\t'.png");
    root->addStringChild("we\"ird\x01", "");
    root->addChild("size", "-12");
    jsonNode* steps = root->addChild("steps", "[]");
    steps->addChild("", "{}")->addChild("undone", "true");
    steps->addChild("", "{}")->addStringChild("name", "b");
    root->addChild("empty", "[]");
    EXPECT_EQ(toStandardText(*root),
              "{\"path\":\"a/\xC3\xA9\\uDCFF\\t'.png\",\"we\\\"ird\\u0001\":\"\",\"size\":-12,"
              "\"steps\":[{\"undone\":true},{\"name\":\"b\"}],\"empty\":[]}");
    // The settings writer keeps its own escapes and names as they are.
    EXPECT_EQ(toText(*root, -1),
              "{\"path\":\"a\\/\\u00C3\\u00A9\\u00FF\\t\\'.png\",\"we\"ird\x01\":\"\",\"size\":-12,"
              "\"steps\":[{\"undone\":true},{\"name\":\"b\"}],\"empty\":[]}");
}

TEST(JsonWriter, StandardTextOfALeafIsTheLeafAlone)
{
    jsonNodePtr text(createStringNode("", "\xE9"));
    EXPECT_EQ(toStandardText(*text), "\"\\uDCE9\"");
    jsonNodePtr number(createNode("", "2048"));
    EXPECT_EQ(toStandardText(*number), "2048");
}

} // namespace
