#include "engine/tool_runner.h"

#include <gtest/gtest.h>

#include <string>

TEST(ComposeCommandLine, JoinsInterpreterCommandAndArguments)
{
    EXPECT_EQ(
        composeCommandLine("C:\\WINDOWS\\system32\\cmd.exe", "OptiPNG -o7 \"C:\\pics\\a.png\"", ""),
        "C:\\WINDOWS\\system32\\cmd.exe /c OptiPNG -o7 \"C:\\pics\\a.png\"");
    EXPECT_EQ(composeCommandLine("CMD.EXE", "pngout \"a.png\"", "x"),
              "CMD.EXE /c pngout \"a.png\" x");
    EXPECT_EQ(composeCommandLine("CMD.EXE", "", ""), "CMD.EXE /c ");
}

TEST(ComposeCommandLine, LinesOf4096BytesOrMoreAreRefused)
{
    // "CMD.EXE /c " is 11 bytes: a command of 4084 bytes fills the budget but for the zero.
    EXPECT_EQ(composeCommandLine("CMD.EXE", std::string(4084, 'a'), "")->size(), 4095u);
    EXPECT_FALSE(composeCommandLine("CMD.EXE", std::string(4085, 'a'), ""));
    EXPECT_EQ(composeCommandLine("CMD.EXE", std::string(4000, 'a'), std::string(83, 'b'))->size(),
              4095u);
    EXPECT_FALSE(composeCommandLine("CMD.EXE", std::string(4000, 'a'), std::string(84, 'b')));
}

TEST(QuoteArgument, EqualsPlainQuotesForOrdinaryPaths)
{
    for (std::string path :
         {"/home/u/a.png", "C:\\pics\\a.png", "with space.png", "$(touch x).png", ""}) {
        EXPECT_EQ(quoteArgument(path), "\"" + path + "\"");
    }
}
