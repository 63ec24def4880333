// Backups of links, modes and POSIX path limits: Linux only.
#include "engine/originals_backup.h"

#include <climits>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/compression_job.h"
#include "backup_fixture.h"
#include "util/live_file.h"

namespace fs = std::filesystem;

namespace {

// A path of exactly length characters below base (shorter than length - 401): folders of 200
// characters or less, then a file name of 100.
std::string pathOfLength(const std::string& base, std::size_t length)
{
    std::string path = base;
    while (length - path.size() > 401)
        path += "/" + std::string(200, 'd');
    path += "/" + std::string(length - path.size() - 102, 'e');
    return path + "/" + std::string(100, 'f');
}

} // namespace

TEST_F(BackupTest, FolderBackupCopiesTheWholeTreeBesideTheFolder)
{
    writeFile(pics() + "/a.png", "first");
    writeFile(pics() + "/.hidden", "not shown");
    writeFile(pics() + "/sub/deeper/b.gif", "second");
    fs::create_directories(pics() + "/empty");
    symlink("a.png", (pics() + "/link.png").c_str());
    chmod((pics() + "/a.png").c_str(), 0600);

    // A trailing separator names the same folder and the same backup.
    EXPECT_TRUE(backupFolderTree(surfaces, pics() + "/"));

    const std::string backup = pics() + stamp;
    EXPECT_EQ(surfaces.log(), backupDone(backup));
    EXPECT_EQ(readFile(backup + "/a.png"), "first");
    EXPECT_EQ(readFile(backup + "/.hidden"), "not shown");
    EXPECT_EQ(readFile(backup + "/sub/deeper/b.gif"), "second");
    EXPECT_TRUE(fs::is_directory(backup + "/empty"));
    EXPECT_TRUE(fs::is_symlink(backup + "/link.png"));
    EXPECT_EQ(fs::status(backup + "/a.png").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(fs::exists(pics() + "/" + stamp));
}

TEST_F(BackupTest, BackupThatWouldLieInsideTheTreeFails)
{
    writeFile(pics() + "/a.png", "x");
    // A link to the folder it sits in: its backup would land inside what it copies.
    symlink(pics().c_str(), (pics() + "/loop").c_str());

    EXPECT_FALSE(backupFolderTree(surfaces, pics() + "/loop"));
    EXPECT_FALSE(backupFolderTree(surfaces, "/"));

    EXPECT_EQ(surfaces.log(), "Backing up originals... failed\r\n"
                              "Backing up originals... failed\r\n");
    EXPECT_FALSE(fs::exists(pics() + "/loop" + stamp));
    EXPECT_FALSE(fs::exists("/" + stamp));
    EXPECT_FALSE(fs::exists(stamp));
}

TEST_F(BackupTest, BackupBaseDropsTrailingSeparatorsAndResolvesDots)
{
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    const std::string here = cwd;
    const struct {
        std::string folder;
        std::string base;
    } cases[] = {
        {"/", ""},
        {"///", ""},
        {"/x/pics/", "/x/pics"},
        {"/x/pics//", "/x/pics"},
        {"pics", "pics"},
        {".", here},
        {"./", here},
        {here + "/..", here.substr(0, here.find_last_of('/'))},
    };
    for (const auto& c : cases)
        EXPECT_EQ(folderBackupBase(c.folder), c.base) << c.folder;
}

TEST_F(BackupTest, PlantedLinksUnderTheBackupNameAreSteppedAroundNotFollowed)
{
    FixedClock sameSecond({december7(14, 5, 9)});
    const std::string outside = temp.file("outside");
    fs::create_directories(outside);
    writeFile(temp.file("victim.png"), "keep me");
    writeFile(pics() + "/a.png", "original");
    // Links to another folder and to a file where the folder backup would go, and to a folder
    // where the single file's backup would go.
    fs::create_directory_symlink(outside, pics() + stamp);
    fs::create_symlink(temp.file("victim.png"), pics() + stamp + "_2");
    fs::create_directory_symlink(outside, pics() + "/" + stamp);

    EXPECT_TRUE(backupFolderTree(surfaces, pics()));
    EXPECT_TRUE(backupSingleFile(surfaces, pics() + "/a.png", pics() + "/"));

    EXPECT_TRUE(fs::is_empty(outside));
    EXPECT_EQ(readFile(temp.file("victim.png")), "keep me");
    EXPECT_TRUE(fs::is_symlink(pics() + stamp));
    EXPECT_TRUE(fs::is_symlink(pics() + stamp + "_2"));
    EXPECT_EQ(readFile(pics() + stamp + "_3/a.png"), "original");
    EXPECT_EQ(readFile(pics() + "/" + stamp + "_2/a.png"), "original");
    EXPECT_EQ(surfaces.log(),
              backupDone(pics() + stamp + "_3") + backupDone(pics() + "/" + stamp + "_2"));
}

TEST_F(BackupTest, FailedBackupRemovesOnlyWhatItCreated)
{
    FixedClock sameSecond({december7(14, 5, 9)});
    writeFile(pics() + "/" + stamp + "/a.png", "earlier backup");

    // The copy of a missing file fails: its fresh folder goes, the earlier backup stays, and so
    // do the folders that existed before; folders made for the backup go too.
    EXPECT_FALSE(backupSingleFile(surfaces, pics() + "/a.png", pics() + "/"));
    EXPECT_FALSE(backupSingleFile(surfaces, pics() + "/new/deeper/a.png", pics() + "/new/deeper/"));
    EXPECT_FALSE(fs::exists(pics() + "/" + stamp + "_2"));
    EXPECT_FALSE(fs::exists(pics() + "/new"));
    EXPECT_EQ(readFile(pics() + "/" + stamp + "/a.png"), "earlier backup");

    // A file whose copy's path would be too long: the rest of the tree has been copied, and
    // that partial copy is removed.
    const std::string tree = temp.file("tree");
    writeFile(tree + "/a.png", "copied first");
    const std::string deep = pathOfLength(tree, PATH_MAX - 10);
    ASSERT_TRUE(writeFile(deep, "too deep to copy"));
    EXPECT_FALSE(backupFolderTree(surfaces, tree));
    EXPECT_FALSE(fs::exists(tree + stamp));
    EXPECT_EQ(readFile(deep), "too deep to copy");

    EXPECT_EQ(surfaces.log(), "Backing up originals... failed\r\n"
                              "Backing up originals... failed\r\n"
                              "Backing up originals... failed\r\n");
}
