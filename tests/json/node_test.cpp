#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "json/json_node.h"
#include "json/json_writer.h"

namespace {

struct ClassifyCase {
    const char* raw;
    jsonKind kind;
    bool expanded;
    bool boolean;
    std::int32_t integer;
};

TEST(JsonNode, FirstByteAloneDecidesTheKind)
{
    const ClassifyCase cases[] = {
        {"", jsonNull, true, false, 0},
        {"\"a\"", jsonString, false, false, 0},
        {"[1]", jsonArray, false, false, 0},
        {"{}", jsonObject, false, false, 0},
        {"true", jsonBool, true, true, 0},
        {"tomato", jsonBool, true, true, 0},
        {"false", jsonBool, true, false, 0},
        {"fuzzy", jsonBool, true, false, 0},
        {"null", jsonNull, true, false, 0},
        {"nothing", jsonNull, true, false, 0},
        {"12.50", jsonNumber, true, false, 12},
        {"-7.9", jsonNumber, true, false, -7},
        {"abc", jsonNumber, true, false, 0},
        {"+3", jsonNumber, true, false, 3},
        {"0x10", jsonNumber, true, false, 16},
        {"1e999", jsonNumber, true, false, std::numeric_limits<std::int32_t>::max()},
        {"-1e10", jsonNumber, true, false, std::numeric_limits<std::int32_t>::min()},
        {"NaN", jsonNumber, true, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.raw);
        jsonNodePtr node(createNode("n", c.raw));
        EXPECT_EQ(node->getKind(), c.kind);
        EXPECT_EQ(node->isExpanded(), c.expanded);
        EXPECT_EQ(node->asBool(), c.boolean);
        EXPECT_EQ(node->asInt(), c.integer);
        EXPECT_EQ(node->getName(), "n");
        EXPECT_EQ(node->rawText(), c.raw);
    }
}

TEST(JsonNode, NumbersKeepTheirText)
{
    jsonNodePtr number(createNode("", "12.50"));
    EXPECT_EQ(number->getString(), "12.50");
    EXPECT_FLOAT_EQ(static_cast<float>(number->asFloat()), 12.5f);
    jsonNodePtr huge(createNode("", "1e300"));
    EXPECT_TRUE(std::isinf(huge->asFloat()));
    EXPECT_EQ(huge->getString(), "1e300");
}

TEST(JsonNode, AccessorsOfTheWrongKindGiveZeroAndFalse)
{
    jsonNodePtr text(createNode("", "\"true\""));
    EXPECT_FALSE(text->asBool());
    EXPECT_EQ(text->asInt(), 0);
    jsonNodePtr flag(createNode("", "true"));
    EXPECT_EQ(flag->asFloat(), 0.0);
    // A boolean turned into a number by setText no longer reads as true.
    flag->setText("5");
    EXPECT_FALSE(flag->asBool());
    EXPECT_EQ(flag->asInt(), 5);
}

TEST(JsonNode, EmptyObjectThenTenChildrenCountsTen)
{
    jsonNodePtr root(createNode("", "{}"));
    EXPECT_EQ(root->getChildCount(), 0u);
    EXPECT_EQ(root->storedChildCount(), 0u);
    for (int i = 0; i < 10; ++i)
        root->addChild("k" + std::to_string(i), i % 2 ? "true" : "false");
    EXPECT_EQ(root->storedChildCount(), 10u);
    EXPECT_EQ(root->getChildCount(), 10u);
}

TEST(JsonNode, LookupsMatchExactlyOrWithAsciiFoldingOnly)
{
    jsonNodePtr root(createNode("", "{}"));
    jsonNode* first = root->addChild("Full", "true");
    root->addChild("Full", "false");
    EXPECT_EQ(root->findChild("Full"), first);
    EXPECT_EQ(root->findChild("full"), nullptr);
    EXPECT_EQ(root->findChild("Ful"), nullptr);
    EXPECT_EQ(root->findChildNoCase("fULL"), first);

    struct FoldCase {
        const char* given;
        const char* stored;
        bool match;
    };
    const FoldCase cases[] = {
        {"full", "Full", true},   {"FULL", "full", true}, {"Full", "Fullx", false},
        {"Fullx", "Full", false}, {"[", "{", false},      {"@", "`", false},
        {"\xE9", "\xC9", false},  {"a_1", "A_1", true},   {"", "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.given) + " / " + c.stored);
        jsonNodePtr object(createNode("", "{}"));
        object->addChild(c.stored, "1");
        EXPECT_EQ(object->findChildNoCase(c.given) != nullptr, c.match);
    }
}

TEST(JsonNode, EmptyNameFindsFirstUnnamedChild)
{
    jsonNodePtr array(createNode("", "[7,8]"));
    EXPECT_EQ(array->findChild(""), array->childAt(0));
    jsonNodePtr object(createNode("", "{}"));
    object->addChild("a", "1");
    object->addComment("note");
    EXPECT_EQ(object->findChild("")->getKind(), jsonComment);
}

TEST(JsonNode, CommentsAreChildrenInTheOrderAdded)
{
    jsonNodePtr root(createNode("", "{}"));
    root->addChild("a", "1");
    root->addComment("between");
    root->addChild("b", "2");
    ASSERT_EQ(root->getChildCount(), 3u);
    EXPECT_EQ(root->childAt(0)->getName(), "a");
    EXPECT_EQ(root->childAt(1)->getString(), "between");
    EXPECT_EQ(root->childAt(2)->getName(), "b");
    EXPECT_EQ(root->childAt(3), nullptr);
}

TEST(JsonNode, DetachHandsTheChildOverAndRecounts)
{
    jsonNodePtr root(createNode("", "{\"a\":1,\"B\":[2],\"c\":3}"));
    jsonNodePtr b(root->detachChildNoCase("b"));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->getChildCount(), 1u);
    EXPECT_EQ(root->storedChildCount(), 2u);
    jsonNodePtr a(root->detachChild("a"));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(root->storedChildCount(), 1u);
    EXPECT_EQ(root->detachChild("a"), nullptr);
    EXPECT_EQ(root->detachChildAt(5), nullptr);
    jsonNodePtr c(root->detachChildAt(0));
    EXPECT_EQ(c->getName(), "c");
    EXPECT_EQ(root->storedChildCount(), 0u);
    EXPECT_EQ(toText(*root, -1), "{}");
}

TEST(JsonNode, CloneOfUnexpandedObjectStaysUnexpanded)
{
    jsonNodePtr root(createNode("", "{\"a\":[1,2]}"));
    jsonNodePtr copy(cloneNode(root.get()));
    EXPECT_FALSE(copy->isExpanded());
    EXPECT_EQ(copy->rawText(), "{\"a\":[1,2]}");
    EXPECT_EQ(cloneNode(nullptr), nullptr);
}

TEST(JsonNode, CloneIsDeepAndIndependent)
{
    jsonNodePtr root(createNode("", "{\"a\":[1,2],\"s\":\"x\"}"));
    root->findChild("a")->getChildCount();
    jsonNodePtr copy(cloneNode(root.get()));
    root->findChild("a")->addChild("", "3");
    root->findChild("s")->setStringValue("changed");
    EXPECT_EQ(toText(*copy, -1), "{\"a\":[1,2],\"s\":\"x\"}");
    EXPECT_EQ(toText(*root, -1), "{\"a\":[1,2,3],\"s\":\"changed\"}");
}

TEST(JsonNode, SetTextReplacesValueAndChildrenButKeepsName)
{
    jsonNodePtr node(createNode("name", "[1,2,3]"));
    EXPECT_EQ(node->getChildCount(), 3u);
    node->setText("{\"x\":true}");
    EXPECT_EQ(node->getName(), "name");
    EXPECT_EQ(node->getKind(), jsonObject);
    EXPECT_FALSE(node->isExpanded());
    EXPECT_TRUE(node->findChild("x")->asBool());
    EXPECT_EQ(node->getChildCount(), 1u);
    node->setText("");
    EXPECT_EQ(node->getKind(), jsonNull);
    EXPECT_EQ(node->getString(), "");

    // Children appended to a scalar are kept but never written; a new text drops them.
    jsonNodePtr scalar(createNode("", "\"s\""));
    scalar->addChild("", "1");
    EXPECT_EQ(toText(*scalar, -1), "\"s\"");
    scalar->setText("[9]");
    EXPECT_EQ(toText(*scalar, 0), "[\r\n\t9\r\n]");
}

TEST(JsonNode, SetStringValueKeepsKindAndIsWrittenEscaped)
{
    jsonNodePtr node(createNode("", "\"raw\""));
    node->setStringValue("a\"b");
    EXPECT_EQ(node->getKind(), jsonString);
    EXPECT_TRUE(node->isExpanded());
    EXPECT_EQ(node->getString(), "a\"b");
    EXPECT_EQ(toText(*node, -1), "\"a\\\"b\"");
    jsonNodePtr plain(createStringNode("k", "\\n"));
    EXPECT_EQ(plain->getString(), "\\n");
    EXPECT_EQ(plain->getName(), "k");
}

TEST(JsonNode, ClearChildrenKeepsStoredCount)
{
    jsonNodePtr root(createNode("", "[1,2,3]"));
    root->getChildCount();
    root->clearChildren();
    EXPECT_EQ(root->getChildCount(), 0u);
    EXPECT_EQ(root->storedChildCount(), 3u);
}

TEST(JsonNode, VeryDeepTreesAreClonedWrittenAndFreedWithoutRecursion)
{
    constexpr int depth = 300000;
    jsonNodePtr root(new jsonNode(jsonArray));
    jsonNode* current = root.get();
    for (int i = 0; i < depth; ++i) {
        jsonNode* child = new jsonNode(jsonArray);
        current->appendChild(child);
        current = child;
    }
    jsonNodePtr copy(cloneNode(root.get()));
    std::string text = toText(*copy, -1);
    EXPECT_EQ(text, std::string(depth + 1, '[') + std::string(depth + 1, ']'));
}

} // namespace
