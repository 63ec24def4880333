// Paths on Windows: backslashes are the separator, forward slashes are accepted, drive roots keep
// theirs, and walks build their paths with backslashes.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include <windows.h>

#include "support/temp_folder.h"
#include "util/file_system.h"
#include "util/live_file.h"

namespace {

using Paths = std::vector<std::string>;

Paths sorted(Paths paths)
{
    std::sort(paths.begin(), paths.end());
    return paths;
}

} // namespace

TEST(FileSystemWindowsTest, SeparatorsAndRootsFollowWindows)
{
    EXPECT_EQ(withTrailingSeparator("C:\\pics"), "C:\\pics\\");
    EXPECT_EQ(withTrailingSeparator("C:\\pics\\"), "C:\\pics\\");
    EXPECT_EQ(withTrailingSeparator("C:/pics/"), "C:/pics/");
    EXPECT_EQ(withTrailingSeparator(""), "\\");

    EXPECT_EQ(parentFolder("C:\\pics\\a.png"), "C:\\pics");
    EXPECT_EQ(parentFolder("C:/pics/a.png"), "C:/pics");
    EXPECT_EQ(parentFolder("C:\\a.png"), "C:\\");
    EXPECT_EQ(parentFolder("\\a.png"), "\\");
    EXPECT_EQ(parentFolder("a.png"), ".");
}

TEST(FileSystemWindowsTest, WalksBuildBackslashPathsAndMatchSuffixesIgnoringCase)
{
    TempFolder temp;
    temp.write("a.png");
    temp.write("sub/B.PNG");
    temp.write("sub/deeper/c.jpg");
    temp.makeFolder("empty");

    Paths files;
    listFiles(temp.path(), files, true);
    EXPECT_EQ(sorted(files), sorted({temp.path() + "\\a.png", temp.path() + "\\sub\\B.PNG",
                                     temp.path() + "\\sub\\deeper\\c.jpg"}));

    Paths folders;
    listSubdirectories(temp.path() + "\\", folders, true);
    EXPECT_EQ(sorted(folders), sorted({temp.path() + "\\empty", temp.path() + "\\sub",
                                       temp.path() + "\\sub\\deeper"}));

    const auto lists = listFilesWithSuffixesIgnoringCase(temp.path(), {".png", ".jpg"}, true);
    ASSERT_EQ(lists.size(), 2u);
    EXPECT_EQ(sorted(lists[0]), sorted({temp.path() + "\\a.png", temp.path() + "\\sub\\B.PNG"}));
    EXPECT_EQ(lists[1], Paths{temp.path() + "\\sub\\deeper\\c.jpg"});
}

TEST(FileSystemWindowsTest, MakeDirectoriesTakesBothSeparatorsAndKeepsTheDrive)
{
    TempFolder temp;
    ASSERT_EQ(temp.path()[1], ':'); // a drive path, so the drive's root is kept
    EXPECT_TRUE(makeDirectories(temp.path() + "\\a/b\\\\c"));
    EXPECT_TRUE(directoryExists(temp.path() + "\\a\\b\\c"));
    EXPECT_TRUE(makeDirectories(temp.path() + "\\a\\b\\c")); // already there

    temp.write("a/blocker");
    EXPECT_FALSE(makeDirectories(temp.path() + "\\a\\blocker\\inner"));
    EXPECT_TRUE(isRegularFile(temp.path() + "\\a\\blocker"));
    EXPECT_FALSE(isRegularFile(temp.path() + "\\a"));
}

TEST(FileSystemWindowsTest, RemoveTreeDeletesReadOnlyFilesAndLeavesFilesAlone)
{
    TempFolder temp;
    const std::string locked = temp.write("tree/sub/locked.png");
    ASSERT_TRUE(SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY));
    const std::string single = temp.write("single.png");

    removeTree(single);
    EXPECT_TRUE(isRegularFile(single));
    removeTree(temp.path("tree") + "\\");
    EXPECT_FALSE(directoryExists(temp.path("tree")));
    EXPECT_EQ(fileSize(locked), -1);
}
