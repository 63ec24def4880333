// A leftover folder's rewrite note is read back by a later run: only two plain names and a file's
// identity may come out of it, whatever a damaged or planted note says.
#include <gtest/gtest.h>

#include "engine/interrupted_rewrite.h"

TEST(RewriteNote, GivesTheNamesAndIdentityOfACompleteNote)
{
    RewriteNote note;
    ASSERT_TRUE(readRewriteNote(rewriteNoteText({"a b.png", "work-out.png", "2049:1234"}), note));
    EXPECT_EQ(note.target, "a b.png");
    EXPECT_EQ(note.result, "work-out.png");
    EXPECT_EQ(note.identity, "2049:1234");
}

TEST(RewriteNote, ANoteOfAnOlderVersionHasNoIdentity)
{
    RewriteNote note;
    ASSERT_TRUE(readRewriteNote("a.png\nwork-out.png\n", note));
    EXPECT_EQ(note.target, "a.png");
    EXPECT_EQ(note.identity, "");
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
        "a.png\nwork-out.png\n../2049:1234\n",
#ifdef _WIN32
        "..\\a.png\nwork-out.png\n",
        "C:a.png\nwork-out.png\n",
        "a.png\nwork-out.png:stream\n",
#endif
    };
    for (const std::string& note : refused) {
        RewriteNote read;
        EXPECT_FALSE(readRewriteNote(note, read)) << note;
    }
}
