// A leftover folder's rewrite note is read back by a later run: only two plain names may come out
// of it, whatever a damaged or planted note says.
#include <gtest/gtest.h>

#include "engine/work_folder_names.h"

TEST(RewriteNote, GivesTheTwoNamesOfACompleteNote)
{
    std::string target;
    std::string result;
    ASSERT_TRUE(readRewriteNote("a b.png\nwork-out.png\n", target, result));
    EXPECT_EQ(target, "a b.png");
    EXPECT_EQ(result, "work-out.png");
}

TEST(RewriteNote, RefusesNotesCutShortAndNamesThatLeaveTheirFolders)
{
    const std::vector<std::string> refused = {
        "",
        "a.png",
        "a.png\nwork-out.png",
        "\nwork-out.png\n",
        "a.png\n\n",
        "../a.png\nwork-out.png\n",
        "sub/a.png\nwork-out.png\n",
        "a.png\n../../etc/passwd\n",
        ".\nwork-out.png\n",
        "..\nwork-out.png\n",
#ifdef _WIN32
        "..\\a.png\nwork-out.png\n",
        "C:a.png\nwork-out.png\n",
        "a.png\nwork-out.png:stream\n",
#endif
    };
    for (const std::string& note : refused) {
        std::string target;
        std::string result;
        EXPECT_FALSE(readRewriteNote(note, target, result)) << note;
    }
}
