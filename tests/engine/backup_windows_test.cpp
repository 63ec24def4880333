// Folder backups on Windows: the whole tree beside the folder, however its path ends.
#include "engine/originals_backup.h"

#include <filesystem>

#include "backup_fixture.h"
#include "util/live_file.h"

namespace fs = std::filesystem;

TEST_F(BackupTest, FolderBackupCopiesTheWholeTreeBesideTheFolder)
{
    writeFile(pics() + "\\a.png", "first");
    writeFile(pics() + "\\.hidden", "not shown");
    writeFile(pics() + "\\sub\\deeper\\b.gif", "second");
    fs::create_directories(pics() + "\\empty");

    // A trailing separator of either kind names the same folder and the same backup.
    EXPECT_TRUE(backupFolderTree(surfaces, pics() + "\\"));

    const std::string backup = pics() + stamp;
    EXPECT_EQ(surfaces.log(), backupDone(backup));
    EXPECT_EQ(readFile(backup + "\\a.png"), "first");
    EXPECT_EQ(readFile(backup + "\\.hidden"), "not shown");
    EXPECT_EQ(readFile(backup + "\\sub\\deeper\\b.gif"), "second");
    EXPECT_TRUE(fs::is_directory(backup + "\\empty"));
    EXPECT_FALSE(fs::exists(pics() + "\\" + stamp));

    writeFile(pics() + "\\a.png", "again");
    EXPECT_TRUE(backupFolderTree(surfaces, pics() + "/"));
    EXPECT_EQ(readFile(backup + "_2\\a.png"), "again");
}
