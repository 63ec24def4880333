#include "platform/posix/process/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using posix_process::splitArguments;
using posix_process::splitProgramName;

namespace {

std::vector<std::string> texts(const std::vector<posix_process::CmdArgument>& arguments)
{
    std::vector<std::string> result;
    for (const auto& argument : arguments)
        result.push_back(argument.text);
    return result;
}

struct SplitCase {
    const char* line;
    std::vector<std::string> expected;
};

TEST(CommandLineSplit, FollowsTheRuntimeQuotingRules)
{
    const SplitCase cases[] = {
        {"a b  c", {"a", "b", "c"}},
        {"a\tb", {"a", "b"}},
        {"  leading and trailing  ", {"leading", "and", "trailing"}},
        {"\"a b\" c", {"a b", "c"}},
        {"a\"b c\"d", {"ab cd"}},
        {"\"\" x", {"", "x"}},
        {"a\\\\b", {"a\\\\b"}},          // backslashes not before a quote are plain
        {"a\\\"b", {"a\"b"}},            // \" is a literal quote
        {"a\\\\\\\"b", {"a\\\"b"}},      // \\\" is a backslash and a quote
        {"\"a\\\\\" b", {"a\\", "b"}},   // \\" gives one backslash and ends the group
        {"\"a\"\"b\" c", {"a\"b", "c"}}, // "" inside a group is a quote and the group goes on
        {"\"unclosed group", {"unclosed group"}},
        {"\"C:\\pics\\a.png\" \"C:\\pics\\a_pngcrush.png\"",
         {"C:\\pics\\a.png", "C:\\pics\\a_pngcrush.png"}},
        {"&|<>^ %PATH%", {"&|<>^", "%PATH%"}}, // operators and variables are plain text
        {"", {}},
    };
    for (const SplitCase& c : cases) {
        EXPECT_EQ(texts(splitArguments(c.line)), c.expected) << "line: " << c.line;
    }
}

TEST(CommandLineSplit, ProgramNameTakesQuotesButNoEscapes)
{
    std::size_t rest = 0;
    auto name = splitProgramName("\"C:\\Program Files\\cmd.exe\" /c x", &rest);
    EXPECT_EQ(name.text, "C:\\Program Files\\cmd.exe");
    EXPECT_TRUE(name.quoted);
    EXPECT_EQ(std::string("\"C:\\Program Files\\cmd.exe\" /c x").substr(rest), "/c x");

    name = splitProgramName("tool\\\"x y\" z", &rest);
    EXPECT_EQ(name.text, "tool\\x y");
    EXPECT_FALSE(splitProgramName("plain arg", &rest).quoted);
}

TEST(CommandLineSplit, QuotedArgumentsAreMarkedSoTheyAreNeverSwitches)
{
    auto arguments = splitArguments("/E \"/H\" x\"\"");
    ASSERT_EQ(arguments.size(), 3u);
    EXPECT_FALSE(arguments[0].quoted);
    EXPECT_TRUE(arguments[1].quoted);
    EXPECT_TRUE(arguments[2].quoted);
}

} // namespace
