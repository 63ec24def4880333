#include "util/text_split.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

using Pieces = std::vector<std::string>;

TEST(TextSplitTest, CommandLineArguments)
{
    struct Case {
        std::string text;
        Pieces expected;
    };
    const Case cases[] = {
        {"", {}},
        {"     ", {}},
        {"\"C:\\prog dir\\t.exe\" \"D:\\my pics\"  E:\\a.png",
         {"C:\\prog dir\\t.exe", "D:\\my pics", "E:\\a.png"}},
        {"a \"b c", {"a", "\"b c"}}, // unterminated: quote kept, up to the end
        {"\"  b c  ", {"\"  b c  "}},
        {"\"\" x", {"", "x"}},                // two adjacent quotes: an empty argument
        {"\"ab\"cd e", {"ab", "cd", "e"}},    // text after a closing quote starts a new argument
        {"a\"b c\" d", {"a\"b", "c\"", "d"}}, // quotes inside an unquoted argument are ordinary
        {"a\tb  c ", {"a\tb", "c"}},          // only the space separates
        {"/tmp/x.png", {"/tmp/x.png"}},
    };
    for (const Case& c : cases) {
        Pieces pieces;
        splitCommandLine(c.text, pieces);
        EXPECT_EQ(pieces, c.expected) << "[" << c.text << "]";
    }
    Pieces kept{"first"};
    splitCommandLine("second", kept);
    EXPECT_EQ(kept, (Pieces{"first", "second"}));
}

TEST(TextSplitTest, SplitOnCharDropsEmptyPieces)
{
    struct Case {
        std::string text;
        char delimiter;
        Pieces expected;
    };
    const Case cases[] = {
        {"", '/', {}},
        {"///", '/', {}},
        {"C:/a//b/", '/', {"C:", "a", "b"}},
        {"/tmp/x", '/', {"tmp", "x"}},
        {"a,b,,c", ',', {"a", "b", "c"}},
        {"solo", '/', {"solo"}},
    };
    for (const Case& c : cases) {
        Pieces pieces{"kept"};
        splitOnChar(c.text, pieces, c.delimiter);
        Pieces expected{"kept"};
        expected.insert(expected.end(), c.expected.begin(), c.expected.end());
        EXPECT_EQ(pieces, expected) << "[" << c.text << "]";
    }
}
