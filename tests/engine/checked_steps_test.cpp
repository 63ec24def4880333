// Every step works on a copy in a private folder beside the file; only a smaller result that
// shows the same image takes the file's place, keeping what the file was: mode, owner, links,
// the link the user named and, on request, its dates.
#include <cstdio>
#include <filesystem>

#include "engine/compress_file.h"
#include "engine/compression_job.h"
#include "checked_step_fixture.h"
#include "support/fake_image.h"
#include "support/work_copy.h"
#include "util/live_file.h"

namespace fs = std::filesystem;

TEST_F(CheckedStepTest, ResultThatIsNotTheSameSmallerImageIsUndone)
{
    const struct {
        const char* what;
        std::string action;
        const char* reason;
    } cases[] = {
        {"one pixel", fakeImageCommand() + " --variant 2000 \"$FILE\"", "the pixels differ"},
        {"garbage", setSizeAction(50), "it does not decode"},
        {"another kind", fakeImageCommand() + " 2000 \"$FILE.gif\" && mv \"$FILE.gif\" \"$FILE\"",
         "the file kind changed"},
        {"empty", ": > \"$FILE\"", "the result was empty"},
        {"larger", setSizeAction(3500), "the result was larger"},
    };
    // Stripping goes first and is kept: the total counts it and nothing of the undone step.
    state.options[Option::Strip] = true;
    tools.install("exiftool", setSizeAction(3072));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingSurfaces log;
        state.totalSaved = 0;
        writeFileOfSize(path, 4096);
        tools.install("pngout", c.action);

        compressFile(context(log), path, pics(), StepMode{true, false});

        EXPECT_EQ(readFile(path), fakeImage(FakeKind::png, 3072));
        EXPECT_EQ(log.log(), logLines({"Compressing a.png (4.000 KB)",
                                       "     Stripping MetaData...  New Size: 3.000 KB",
                                       "     Fast Compression...  New Size: 3.000 KB",
                                       std::string("     Step undone: ") + c.reason,
                                       "     Compressed file is 75.000% of the original"}));
        EXPECT_EQ(log.status(1), "Saved: 1.000 KB");
        EXPECT_EQ(workFoldersIn(pics()), std::vector<std::string>{});
    }
}

// Each kind's own check: a shrunk file of the same picture is kept, a broken one undone; the
// packer's result is vouched for by its self-test alone.
TEST_F(CheckedStepTest, EachKindKeepsItsSameSmallerResultAndUndoesABrokenOne)
{
    state.options[Option::Strip] = true;
    const struct {
        const char* name;
        const char* tool;
        const char* line;
        const char* reason;
    } kinds[] = {
        {"a.jpg", "exiftool", "     Stripping MetaData...  New Size: ", "it does not decode"},
        {"a.tif", "exiftool", "     Stripping MetaData...  New Size: ", "it does not decode"},
        {"a.gif", "exiftool", "     Stripping MetaData...  New Size: ", "it does not decode"},
        {"a.pdf", "exiftool", "     Stripping MetaData...  New Size: ", "it does not decode"},
        {"a.exe", "upx", "     Compressing...  New Size: ", "the packed program fails its test"},
    };
    for (const auto& kind : kinds) {
        for (const bool broken : {false, true}) {
            SCOPED_TRACE(testing::Message() << kind.name << (broken ? " broken" : " good"));
            RecordingSurfaces log;
            const std::string file = pics() + "/" + kind.name;
            writeFileOfSize(file, 4096);
            const std::string original = readFile(file);
            if (std::string(kind.tool) == "upx")
                tools.installPacker(shrinkAction(1024), !broken);
            else
                tools.install(kind.tool, broken ? setSizeAction(30) : shrinkAction(1024));

            compressFile(context(log), file, pics(), StepMode{true, false});

            std::vector<std::string> lines = {std::string("Compressing ") + kind.name +
                                              " (4.000 KB)"};
            if (broken) {
                lines.push_back(kind.line + std::string("4.000 KB"));
                lines.push_back(std::string("     Step undone: ") + kind.reason);
                lines.push_back("     Compressed file is 100.000% of the original");
                EXPECT_EQ(readFile(file), original);
            } else {
                lines.push_back(kind.line + std::string("3.000 KB"));
                lines.push_back("     Compressed file is 75.000% of the original");
                EXPECT_EQ(readFile(file), fakeImage(fakeKindOfPath(file), 3072));
            }
            EXPECT_EQ(log.log(), logLines(lines));
        }
    }
}

// A packer whose own test passes what it cut short: unpacked, its result must be the original.
TEST_F(CheckedStepTest, PackedProgramIsKeptOnlyWhenItUnpacksToTheOriginal)
{
    const struct {
        const char* packer;
        std::string afterPack;
        const char* reason; // null: kept
    } packers[] = {
        {"sound", "", nullptr},
        {"cutting its result short", setSizeAction(2000), "the packed program does not unpack"},
    };
    for (const auto& row : packers) {
        SCOPED_TRACE(row.packer);
        RecordingSurfaces log;
        const std::string file = pics() + "/a.exe";
        writeFileOfSize(file, 4096);
        const std::string original = readFile(file);
        tools.installPacker(shrinkAction(1024), true, row.afterPack);

        compressFile(context(log), file, pics(), StepMode{true, false});

        std::vector<std::string> lines = {"Compressing a.exe (4.000 KB)"};
        if (row.reason) {
            lines.push_back("     Compressing...  New Size: 4.000 KB");
            lines.push_back(std::string("     Step undone: ") + row.reason);
            lines.push_back("     Compressed file is 100.000% of the original");
            EXPECT_EQ(readFile(file), original);
        } else {
            lines.push_back("     Compressing...  New Size: 3.000 KB");
            lines.push_back("     Compressed file is 75.000% of the original");
        }
        EXPECT_EQ(log.log(), logLines(lines));
    }
}

TEST_F(CheckedStepTest, ResultOfTheSameSizeIsDroppedQuietly)
{
    writeFileOfSize(path, 4096);
    const std::string original = readFile(path);
    // The same size but other bytes: nothing is gained, so nothing is replaced.
    tools.install("pngout", fakeImageCommand() + " --variant 4096 \"$FILE\"");

    compress(path);

    EXPECT_EQ(readFile(path), original);
    EXPECT_EQ(surfaces.log(), logLines({"Compressing a.png (4.000 KB)",
                                        "     Fast Compression...  New Size: 4.000 KB",
                                        "     Compressed file is 100.000% of the original"}));
}

TEST_F(CheckedStepTest, LongestFileNameIsCompressedThroughItsShortWorkName)
{
    const std::string longest = pics() + "/" + std::string(251, 'n') + ".png";
    writeFileOfSize(longest, 4096);
    tools.install("pngout", shrinkAction(1024));

    compress(longest);

    EXPECT_EQ(fileSize(longest), 3072);
    ASSERT_EQ(tools.calls().size(), 1u);
    EXPECT_TRUE(isWorkCopyOf(tools.calls()[0].substr(7), longest)) << tools.calls()[0];
}

// Old NAME_pngcrush.png names are nothing to the passes now: a file or link there is never
// written, removed or followed.
TEST_F(CheckedStepTest, FileOrLinkAtTheOldTemporaryNameIsNeverTouched)
{
    state.options[Option::Full] = true;
    const std::string planted = pics() + "/a_pngcrush.png";
    const std::string victim = temp.file("victim.png");
    for (const bool asLink : {false, true}) {
        SCOPED_TRACE(asLink ? "link" : "file");
        fs::remove(planted);
        writeFile(victim, "not to be written");
        writeFileOfSize(path, 4096);
        if (asLink)
            fs::create_symlink(victim, planted);
        else
            writeFile(planted, "someone's own");
        tools.installShrinkingSet(100);

        compress(path);

        EXPECT_EQ(fileSize(path), 4096 - 300);
        EXPECT_EQ(readFile(victim), "not to be written");
        EXPECT_EQ(fs::is_symlink(planted), asLink);
        if (!asLink) {
            EXPECT_EQ(readFile(planted), "someone's own");
        }
    }
}

// A work folder that stays belongs to a run still going (or to someone else): the copy in it is
// that run's business, never a file of the folder being compressed.
