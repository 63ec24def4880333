// Walks pass over the backups this program made, and only those.
#include <algorithm>
#include <filesystem>

#include "backup_fixture.h"
#include "engine/backup_manifest.h"
#include "engine/file_collection.h"
#include "util/live_file.h"

namespace fs = std::filesystem;

// The sequence a new user ran into: a single file's backup lands inside the file's folder, and
// the next run over that folder must leave the backup copy as the original it is.
TEST_F(BackupTest, SingleFileBackupIsNotCompressedByTheNextRunOverItsFolder)
{
    state.options[Option::Full] = false;
    state.options[Option::Strip] = false;
    writeFileOfSize(pics() + "/a.png", 4096);
    const std::string original = readFile(pics() + "/a.png");
    tools.installShrinkingSet(1024);

    EXPECT_EQ(runJob(surfaces, {pics() + "/a.png"}), JobOutcome::Done);
    const std::string copy = pics() + "/" + stamp + "/a.png";
    ASSERT_EQ(readFile(copy), original);

    EXPECT_EQ(runJob(surfaces, {pics()}), JobOutcome::Done);

    EXPECT_EQ(readFile(copy), original);
    EXPECT_EQ(fileSize(pics() + "/a.png"), 4096 - 2 * 1024);
    // The folder's own backup carries the first backup along, untouched as well.
    int folderBackups = 0;
    for (const auto& entry : fs::directory_iterator(temp.file(""))) {
        if (entry.path().filename().string().rfind("picsBackup_", 0) != 0)
            continue;
        ++folderBackups;
        EXPECT_EQ(readFile(entry.path().string() + "/" + stamp + "/a.png"), original);
    }
    EXPECT_EQ(folderBackups, 1);
}

TEST_F(BackupTest, OnlyFoldersWithAValidManifestArePassedOver)
{
    struct Case {
        const char* folder;
        const char* manifest; // null: none
        bool walked;
    };
    const Case cases[] = {
        {"picsBackup_2024_01_01", nullptr, true},
        {"Backup_07_12_2026__14_05_09", nullptr, true},
        {"fake", "{\"tarnwick-backup\":1,\"root\":\"/x\"}\n", true},
        {"empty manifest", "", true},
        {"ours", "", false},
    };
    for (const Case& c : cases) {
        const std::string folder = pics() + "/" + c.folder;
        writeFileOfSize(folder + "/in.png", 100);
        if (c.manifest)
            writeFile(folder + "/" + manifestName, c.manifest);
    }
    {
        ManifestWriter ours(pics() + "/ours", "/somewhere");
        ASSERT_TRUE(ours.ok());
    }
    // A manifest's name on a folder is no manifest either.
    fs::create_directories(pics() + "/named/" + manifestName);
    writeFileOfSize(pics() + "/named/in.png", 100);

    // Windows joins names with its own separator.
    auto slashed = [](std::string path) {
        std::replace(path.begin(), path.end(), '\\', '/');
        return path;
    };
    std::vector<std::string> files = collectFiles(pics(), state.options.snapshot()).paths();
    std::transform(files.begin(), files.end(), files.begin(), slashed);

    for (const Case& c : cases) {
        const std::string image = slashed(pics() + "/" + c.folder + "/in.png");
        EXPECT_EQ(std::count(files.begin(), files.end(), image), c.walked ? 1 : 0) << c.folder;
    }
    EXPECT_EQ(std::count(files.begin(), files.end(), slashed(pics() + "/named/in.png")), 1);
    // A backup given as the folder itself gives nothing either.
    EXPECT_TRUE(collectFiles(pics() + "/ours", state.options.snapshot()).empty());
}
