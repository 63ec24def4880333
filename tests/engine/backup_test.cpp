#include "engine/originals_backup.h"

#include <filesystem>

#include "engine/compression_job.h"
#include "backup_fixture.h"
#include "util/live_file.h"

namespace fs = std::filesystem;

TEST_F(BackupTest, SingleFileIsCopiedIntoADatedFolderBesideIt)
{
    writeFile(pics() + "/a.png", "original");

    EXPECT_TRUE(backupSingleFile(surfaces, pics() + "/a.png", pics() + "/"));

    EXPECT_EQ(readFile(pics() + "/" + stamp + "/a.png"), "original");
    EXPECT_EQ(surfaces.log(), backupDone(pics() + "/" + stamp));
}

TEST_F(BackupTest, FailedBackupCompressesNothing)
{
    writeFileOfSize(pics() + "/a.png", 2048);
    // A plain file where the backup folder must go.
    writeFile(pics() + "/" + stamp, "in the way");
    tools.installShrinkingSet(1024);

    EXPECT_EQ(runJob(surfaces, {pics() + "/a.png"}), JobOutcome::BackupFailed);

    EXPECT_EQ(surfaces.log(),
              logLines({startStamp, "Backing up originals... failed", finishStamp, ""}));
    EXPECT_TRUE(tools.calls().empty());
    EXPECT_EQ(fileSize(pics() + "/a.png"), 2048);
}

TEST_F(BackupTest, BackupsInTheSameSecondGetFreshFoldersAndKeepEarlierOnes)
{
    FixedClock sameSecond({december7(14, 5, 9)});
    writeFile(pics() + "/a.png", "first");
    writeFile(pics() + "/sub/b.png", "below");
    EXPECT_TRUE(backupFolderTree(surfaces, pics()));
    writeFile(pics() + "/a.png", "second");
    EXPECT_TRUE(backupFolderTree(surfaces, pics()));

    EXPECT_EQ(readFile(pics() + stamp + "/a.png"), "first");
    EXPECT_EQ(readFile(pics() + stamp + "_2/a.png"), "second");
    EXPECT_EQ(readFile(pics() + stamp + "_2/sub/b.png"), "below");

    // The same for single files, next to the file.
    EXPECT_TRUE(backupSingleFile(surfaces, pics() + "/a.png", pics() + "/"));
    writeFile(pics() + "/a.png", "third");
    EXPECT_TRUE(backupSingleFile(surfaces, pics() + "/a.png", pics() + "/"));
    EXPECT_EQ(readFile(pics() + "/" + stamp + "/a.png"), "second");
    EXPECT_EQ(readFile(pics() + "/" + stamp + "_2/a.png"), "third");
    EXPECT_FALSE(fs::exists(pics() + "/" + stamp + "_3"));

    EXPECT_EQ(surfaces.log(), backupDone(pics() + stamp) + backupDone(pics() + stamp + "_2") +
                                  backupDone(pics() + "/" + stamp) +
                                  backupDone(pics() + "/" + stamp + "_2"));
}
