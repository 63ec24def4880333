// Paths on the command line are taken from the caller's folder, as the shell means them.
#include "app/command_line.h"

#include <gtest/gtest.h>

TEST(CommandLinePaths, RelativePathsJoinTheFolderAndOthersStayAsGiven)
{
    const struct {
        const char* path;
        const char* folder;
        const char* expected;
    } cases[] = {
        {"pics", "/home/me", "/home/me/pics"},
        {"a b/c.png", "/home/me", "/home/me/a b/c.png"},
        {"./pics", "/home/me", "/home/me/pics"},
        {".//./pics/", "/home/me", "/home/me/pics/"},
        {".", "/home/me", "/home/me"},
        {"./", "/home/me", "/home/me"},
        {"../up.png", "/home/me", "/home/me/../up.png"},
        {".hidden.png", "/home/me", "/home/me/.hidden.png"},
        {"pics", "/", "/pics"},
        {"/abs/pics", "/home/me", "/abs/pics"},
        {"", "/home/me", ""},
        {"pics", "", "pics"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(absoluteFrom(c.path, c.folder), c.expected) << c.path << " in " << c.folder;
}
