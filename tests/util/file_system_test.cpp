#include "util/file_system.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

using Paths = std::vector<std::string>;

// An independent walk in the order readdir yields entries, pre-order, deeper levels joined by "/":
// what the listings must reproduce exactly.
void referenceWalk(const std::string& base, const std::string& suffix, bool recursive, Paths& out)
{
    for (const fs::directory_entry& entry : fs::directory_iterator(base)) {
        const std::string path = base + entry.path().filename().string();
        if (entry.is_symlink())
            continue;
        if (entry.is_regular_file()) {
            if (path.size() > suffix.size() &&
                path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0)
                out.push_back(path);
        } else if (entry.is_directory() && recursive) {
            referenceWalk(path + "/", suffix, recursive, out);
        }
    }
}

Paths sorted(Paths paths)
{
    std::sort(paths.begin(), paths.end());
    return paths;
}

// A tree with nested folders, hidden entries, odd dot names and names in several cases.
void buildMixedTree(const TempFolder& temp)
{
    for (const char* name : {"a.png",
                             "B.PNG",
                             "c.jpg",
                             "d.jpeg",
                             "e.tif",
                             "f.tiff",
                             "g.gif",
                             "h.pdf",
                             "i.exe",
                             "j.dll",
                             ".png",
                             "..png",
                             "...",
                             ".hidden.gif",
                             "notes.txt",
                             "sub/k.png",
                             "sub/l.exe",
                             "sub/deeper/m.png",
                             "sub/deeper/n.tiff",
                             "sub/deeper/.o.jpg",
                             "sub/deeper/deepest/p.pdf",
                             "other/q.png",
                             "other/r.PNG",
                             "with space/s.gif",
                             ".dotfolder/t.png",
                             "sub/z.png"})
        temp.write(name);
    temp.makeFolder("empty");
}

} // namespace

TEST(FileSystemTest, DirectoryExistsOnlyForFolders)
{
    TempFolder temp;
    const std::string file = temp.write("plain.txt");
    const std::string folder = temp.makeFolder("folder");
    fs::create_directory_symlink(folder, temp.path("link"));
    EXPECT_TRUE(directoryExists(folder));
    EXPECT_TRUE(directoryExists(folder + "/"));
    EXPECT_TRUE(directoryExists(temp.path("link")));
    EXPECT_FALSE(directoryExists(file));
    EXPECT_FALSE(directoryExists(file + "/"));
    EXPECT_FALSE(directoryExists(temp.path("missing")));
    EXPECT_FALSE(directoryExists(""));
}

TEST(FileSystemTest, TrailingSeparatorIsSlashAndBackslashIsAnOrdinaryCharacter)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/pics", "/pics/"},       {"/pics/", "/pics/"},          {"pics", "pics/"},
        {"C:\\pics", "C:\\pics/"}, {"C:\\pics\\", "C:\\pics\\/"}, {"", "/"},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(withTrailingSeparator(path), expected) << path;
}

TEST(FileSystemTest, ListingsSkipOnlyTheDotEntriesAndKeepReaddirPreOrder)
{
    TempFolder temp;
    buildMixedTree(temp);
    const std::string base = temp.path() + "/";

    Paths all;
    listFiles(temp.path(), all, true);
    Paths expected;
    referenceWalk(base, "", true, expected);
    EXPECT_EQ(all, expected);
    // Hidden files and names made of dots are real files, not the "." and ".." entries.
    for (const char* name :
         {"...", "..png", ".png", ".hidden.gif", "sub/deeper/.o.jpg", ".dotfolder/t.png"})
        EXPECT_NE(std::find(all.begin(), all.end(), base + name), all.end()) << name;
    EXPECT_EQ(all.size(), 26u);

    Paths top;
    listFiles(temp.path() + "/", top, false);
    Paths expectedTop;
    referenceWalk(base, "", false, expectedTop);
    EXPECT_EQ(top, expectedTop);
    EXPECT_EQ(top.size(), 15u);
}

TEST(FileSystemTest, SuffixIsCaseSensitiveAndMustBeShorterThanThePath)
{
    TempFolder temp;
    buildMixedTree(temp);
    const std::string base = temp.path() + "/";
    Paths png;
    listFilesWithSuffix(temp.path(), png, ".png", true);
    EXPECT_EQ(sorted(png),
              sorted({base + "a.png", base + ".png", base + "..png", base + "sub/k.png",
                      base + "sub/z.png", base + "sub/deeper/m.png", base + "other/q.png",
                      base + ".dotfolder/t.png"}));

    // The whole path, not the bare name, must be longer than the suffix.
    Paths exact;
    listFilesWithSuffix(temp.path(), exact, base + "a.png", false);
    EXPECT_TRUE(exact.empty());
    listFilesWithSuffix(temp.path(), exact, "/a.png", false);
    EXPECT_EQ(exact, Paths{base + "a.png"});

    Paths everything;
    listFilesWithSuffix(temp.path(), everything, "", true);
    Paths all;
    listFiles(temp.path(), all, true);
    EXPECT_EQ(everything, all);
}

TEST(FileSystemTest, ListingsOnlyAppend)
{
    TempFolder temp;
    temp.write("one.png");
    temp.write("two.gif");
    Paths list{"kept"};
    listFilesWithSuffix(temp.path(), list, ".png", true);
    listFilesWithSuffix(temp.path(), list, ".png", true);
    listFilesWithSuffix(temp.path(), list, ".gif", true);
    const std::string png = temp.path("one.png");
    EXPECT_EQ(list, (Paths{"kept", png, png, temp.path("two.gif")}));
}

TEST(FileSystemTest, OnePassListsEqualSeparateWalksInOrder)
{
    TempFolder temp;
    buildMixedTree(temp);
    const std::vector<std::string> suffixes = {".png", ".tif", ".tiff", ".jpg", ".jpeg", ".gif",
                                               ".pdf", ".exe", ".dll",  "png",  ""};
    for (const std::string& folder : {temp.path(), temp.path() + "/", temp.path() + "/sub"}) {
        for (const bool recursive : {true, false}) {
            const auto lists = listFilesWithSuffixes(folder, suffixes, recursive);
            ASSERT_EQ(lists.size(), suffixes.size());
            for (std::size_t i = 0; i < suffixes.size(); ++i) {
                Paths separate;
                listFilesWithSuffix(folder, separate, suffixes[i], recursive);
                EXPECT_EQ(lists[i], separate) << folder << " " << suffixes[i] << " " << recursive;
            }
        }
    }
    EXPECT_EQ(listFilesWithSuffixes(temp.path(), suffixes, true)[0].size(), 8u);
    EXPECT_TRUE(listFilesWithSuffixes(temp.path("missing"), suffixes, true)[0].empty());
}

TEST(FileSystemTest, LinksAreNeitherFollowedNorListedAndOddFilesAreSkipped)
{
    TempFolder temp;
    temp.write("tree/a.png");
    temp.write("outside/b.png");
    fs::create_directory_symlink(temp.path("tree"), temp.path("tree/loop"));
    fs::create_directory_symlink(temp.path("outside"), temp.path("tree/away"));
    fs::create_symlink(temp.path("outside/b.png"), temp.path("tree/link.png"));
    ASSERT_EQ(::mkfifo(temp.path("tree/pipe.png").c_str(), 0600), 0);

    Paths files;
    listFiles(temp.path("tree"), files, true);
    EXPECT_EQ(files, Paths{temp.path("tree/a.png")});
    Paths folders;
    listSubdirectories(temp.path("tree"), folders, true);
    EXPECT_TRUE(folders.empty());

    // A link named as the starting folder is the caller's choice and is followed.
    fs::create_directory_symlink(temp.path("tree"), temp.path("start"));
    Paths viaLink;
    listFiles(temp.path("start"), viaLink, true);
    EXPECT_EQ(viaLink, Paths{temp.path("start/a.png")});
}

TEST(FileSystemTest, SubdirectoriesComeInPreOrder)
{
    TempFolder temp;
    temp.makeFolder("x/y/z");
    temp.makeFolder("w");
    temp.write("x/file");
    Paths folders;
    listSubdirectories(temp.path(), folders, true);
    ASSERT_EQ(folders.size(), 4u);
    const auto at = [&](const std::string& p) {
        return std::find(folders.begin(), folders.end(), p) - folders.begin();
    };
    EXPECT_EQ(at(temp.path("x")) + 1, at(temp.path("x/y")));
    EXPECT_EQ(at(temp.path("x/y")) + 1, at(temp.path("x/y/z")));
    EXPECT_LT(at(temp.path("w")), 4);

    Paths topOnly;
    listSubdirectories(temp.path(), topOnly, false);
    EXPECT_EQ(sorted(topOnly), sorted({temp.path("w"), temp.path("x")}));
}

TEST(FileSystemTest, NothingIsListedForMissingFilesOrEmptyPaths)
{
    TempFolder temp;
    const std::string file = temp.write("plain.png");
    Paths list;
    listFiles(temp.path("missing"), list, true);
    listFiles(file, list, true);
    listFiles("", list, true);
    listSubdirectories("", list, true);
    EXPECT_TRUE(list.empty());
}

TEST(FileSystemTest, DeepTreeIsWalkedWithFewDescriptors)
{
    TempFolder temp;
    std::string relative = "d";
    for (int i = 0; i < 120; ++i)
        relative += "/d";
    temp.write(relative + "/deep.png");

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit tight = saved;
    tight.rlim_cur = 40;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    Paths found;
    listFilesWithSuffix(temp.path(), found, ".png", true);
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(found, Paths{temp.path(relative + "/deep.png")});
}

TEST(FileSystemTest, MakeDirectoriesCreatesEveryMissingFolder)
{
    TempFolder temp;
    EXPECT_TRUE(makeDirectories(temp.path() + "/a//b/"));
    EXPECT_TRUE(directoryExists(temp.path("a/b")));
    EXPECT_TRUE(makeDirectories(temp.path() + "/a//b/")); // already there

    // Backslashes count as separators here, runs of them as one.
    EXPECT_TRUE(makeDirectories(temp.path() + "\\c\\\\d\\"));
    EXPECT_TRUE(directoryExists(temp.path("c/d")));
    EXPECT_FALSE(fs::exists(temp.path() + "\\c"));

    EXPECT_TRUE(makeDirectories(""));
    EXPECT_TRUE(makeDirectories("///"));

    temp.write("a/blocker");
    EXPECT_FALSE(makeDirectories(temp.path() + "/a/blocker/inner"));
    EXPECT_FALSE(makeDirectories(temp.path() + "/a/blocker"));
}

TEST(FileSystemTest, MakeDirectoriesKeepsTheRootOfAbsolutePathsOnly)
{
    TempFolder temp;
    const fs::path saved = fs::current_path();
    fs::current_path(temp.path());
    // An absolute path stays absolute...
    const bool absolute = makeDirectories(temp.path() + "/abs/x");
    // ...while leading backslashes (a network path elsewhere) are dropped: relative to the current
    // folder.
    const bool network = makeDirectories("\\\\server\\share\\x");
    fs::current_path(saved);
    EXPECT_TRUE(absolute);
    EXPECT_TRUE(directoryExists(temp.path("abs/x")));
    EXPECT_FALSE(fs::exists(temp.path() + temp.path() + "/abs"));
    EXPECT_TRUE(network);
    EXPECT_TRUE(directoryExists(temp.path("server/share/x")));
}

TEST(FileSystemTest, RemoveTreeDeletesEverythingBelowButNothingLinksPointTo)
{
    TempFolder temp;
    temp.write("tree/a.png");
    temp.write("tree/.hidden");
    temp.write("tree/sub/deeper/c.gif");
    temp.makeFolder("tree/empty");
    const std::string keep = temp.write("outside/keep.png");
    fs::create_directory_symlink(temp.path("outside"), temp.path("tree/sub/away"));
    fs::create_symlink(keep, temp.path("tree/link.png"));
    ASSERT_EQ(::mkfifo(temp.path("tree/sub/pipe").c_str(), 0600), 0);

    removeTree(temp.path("tree"));
    EXPECT_FALSE(fs::exists(temp.path("tree")));
    EXPECT_TRUE(fs::exists(keep));

    // A link given as the folder is not a folder of its own: left alone, and so is its target.
    fs::create_directory_symlink(temp.path("outside"), temp.path("alias"));
    removeTree(temp.path("alias"));
    removeTree(temp.path("alias") + "/");
    EXPECT_TRUE(fs::is_symlink(temp.path("alias")));
    EXPECT_TRUE(fs::exists(keep));

    removeTree(temp.path("missing"));
    removeTree(keep);
    EXPECT_TRUE(fs::exists(keep));
}

TEST(FileSystemTest, SuffixesIgnoringCaseListEachFileOnceUnderItsFirstSuffix)
{
    TempFolder temp;
    buildMixedTree(temp);
    temp.write("sub/UP.TIFF");
    temp.write("sub/Mixed.JpEg");
    const std::vector<std::string> suffixes = {".png", ".tif", ".tiff", ".JPG", ".jpeg", "png"};
    const auto lists = listFilesWithSuffixesIgnoringCase(temp.path(), suffixes, true);
    ASSERT_EQ(lists.size(), suffixes.size());

    const std::string base = temp.path() + "/";
    EXPECT_EQ(sorted(lists[0]),
              sorted({base + "a.png", base + "B.PNG", base + ".png", base + "..png",
                      base + "sub/k.png", base + "sub/z.png", base + "sub/deeper/m.png",
                      base + "other/q.png", base + "other/r.PNG", base + ".dotfolder/t.png"}));
    EXPECT_EQ(lists[1], Paths{base + "e.tif"});
    EXPECT_EQ(sorted(lists[2]),
              sorted({base + "f.tiff", base + "sub/deeper/n.tiff", base + "sub/UP.TIFF"}));
    EXPECT_EQ(sorted(lists[3]), sorted({base + "c.jpg", base + "sub/deeper/.o.jpg"}));
    EXPECT_EQ(sorted(lists[4]), sorted({base + "d.jpeg", base + "sub/Mixed.JpEg"}));
    // Everything ending in "png" ended in ".png" first.
    EXPECT_TRUE(lists[5].empty());
    EXPECT_TRUE(listFilesWithSuffixesIgnoringCase(temp.path("missing"), suffixes, true)[0].empty());
}

TEST(FileSystemTest, RegularFileIsNeitherLinkNorFolderNorSpecialFile)
{
    TempFolder temp;
    const std::string file = temp.write("plain.png");
    ASSERT_EQ(::mkfifo(temp.path("pipe.png").c_str(), 0600), 0);
    fs::create_symlink(file, temp.path("to-file.png"));
    fs::create_symlink(temp.path("pipe.png"), temp.path("to-pipe.png"));
    EXPECT_TRUE(isRegularFile(file));
    for (const std::string& path :
         {temp.path("pipe.png"), temp.path("to-file.png"), temp.path("to-pipe.png"), temp.path(),
          temp.path("missing.png"), std::string("/dev/null"), std::string()})
        EXPECT_FALSE(isRegularFile(path)) << path;
}
