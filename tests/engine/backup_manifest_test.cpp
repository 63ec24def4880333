#include "engine/backup_manifest.h"

#include <filesystem>

#include "backup_fixture.h"
#include "engine/content_hash.h"
#include "engine/file_queries.h"
#include "engine/originals_backup.h"
#include "util/live_file.h"

namespace fs = std::filesystem;

namespace {

std::string manifestOf(const std::string& folder)
{
    return folder + "/" + manifestName;
}

} // namespace

TEST_F(BackupTest, ManifestListsEachOriginalAndWhatTheJobMadeOfIt)
{
    state.options[Option::Full] = false;
    state.options[Option::Strip] = false;
    writeFileOfSize(pics() + "/a.png", 4096);
    writeFileOfSize(pics() + "/sub/b.png", 2048);
    writeFile(pics() + "/notes.txt", "not an image");
    const std::string before = contentHash(pics() + "/a.png");
    tools.installShrinkingSet(1024);

    EXPECT_EQ(runJob(surfaces, {pics()}), JobOutcome::Done);

    Manifest manifest;
    ASSERT_TRUE(readManifest(pics() + stamp, manifest));
    EXPECT_EQ(manifest.version, 1);
    EXPECT_EQ(manifest.root, resolvedPath(pics()));
    EXPECT_TRUE(manifest.complete);
    ASSERT_EQ(manifest.files.size(), 3u);
    for (const BackedUpFile& file : manifest.files) {
        const std::string now = contentHash(pics() + "/" + file.relative);
        EXPECT_EQ(file.hash, contentHash(pics() + stamp + "/" + file.relative)) << file.relative;
        if (file.relative == "notes.txt") {
            EXPECT_TRUE(file.produced.empty());
            EXPECT_TRUE(file.result.empty());
            continue;
        }
        ASSERT_EQ(file.produced.size(), 1u) << file.relative;
        EXPECT_EQ(file.produced[0], now);
        EXPECT_EQ(file.result, now);
        if (file.relative == "a.png") {
            EXPECT_EQ(file.size, 4096);
            EXPECT_EQ(file.hash, before);
        }
    }
}

TEST_F(BackupTest, ManifestOfASingleFileNamesItBelowItsFolder)
{
    writeFileOfSize(pics() + "/a.png", 4096);
    std::unique_ptr<ManifestWriter> writer;
    ASSERT_TRUE(backupSingleFile(surfaces, pics() + "/a.png", pics() + "/", &writer));
    ASSERT_TRUE(writer);

    Manifest manifest;
    ASSERT_TRUE(readManifest(pics() + "/" + stamp, manifest));
    EXPECT_EQ(manifest.root, resolvedPath(pics()));
    ASSERT_EQ(manifest.files.size(), 1u);
    EXPECT_EQ(manifest.files[0].relative, "a.png");
    EXPECT_EQ(manifest.files[0].size, 4096);
}

// A kill or a full disk can cut the journal anywhere, and a disk can damage a line: the reader
// keeps every whole, undamaged line and drops the rest.
TEST_F(BackupTest, DamagedOrCutManifestKeepsItsWholeLines)
{
    const std::string folder = temp.file("backup");
    fs::create_directories(folder);
    {
        ManifestWriter writer(folder, "/root");
        ASSERT_TRUE(writer.ok());
        writeFile(folder + "/a.png", "original a");
        writeFile(folder + "/b.png", "original b");
        ASSERT_TRUE(writer.listOriginals());
        ASSERT_TRUE(writer.noteProduced("a.png", "1111"));
        ASSERT_TRUE(writer.noteResult("a.png", "2222"));
    }
    const std::string whole = readFile(manifestOf(folder));
    const std::size_t headerEnd = whole.find('\n') + 1;
    const std::size_t lastStart = whole.rfind('\n', whole.size() - 2) + 1;

    struct Case {
        const char* what;
        std::string text;
        bool valid;
        std::size_t files;
        bool complete;
        bool resultKept;
    };
    std::string flipped = whole;
    flipped[whole.find("b.png")] = 'c'; // the checksum no longer fits
    const Case cases[] = {
        {"whole", whole, true, 2, true, true},
        {"cut in the last line", whole.substr(0, whole.size() - 5), true, 2, true, false},
        {"cut before the last line's end", whole.substr(0, whole.size() - 1), true, 2, true, false},
        {"cut just after the header", whole.substr(0, headerEnd), true, 0, false, false},
        {"cut in the header", whole.substr(0, headerEnd - 3), false, 0, false, false},
        {"a damaged line", flipped, true, 1, true, true},
        {"last line alone dropped", whole.substr(0, lastStart), true, 2, true, false},
        {"empty", "", false, 0, false, false},
    };
    for (const Case& c : cases) {
        writeFile(manifestOf(folder), c.text);
        Manifest manifest;
        EXPECT_EQ(readManifest(folder, manifest), c.valid) << c.what;
        EXPECT_EQ(isBackupFolder(folder), c.valid) << c.what;
        if (!c.valid)
            continue;
        EXPECT_EQ(manifest.files.size(), c.files) << c.what;
        EXPECT_EQ(manifest.complete, c.complete) << c.what;
        const bool resultKept = !manifest.files.empty() && manifest.files[0].result == "2222";
        EXPECT_EQ(resultKept, c.resultKept) << c.what;
    }
}

// A tree whose top holds a file of the manifest's name (a backup backed up again) would
// replace the new backup's manifest: the backup must then fail rather than carry a manifest
// that is not its own.
TEST_F(BackupTest, CopiedManifestNeverStandsForTheNewBackup)
{
    writeFileOfSize(pics() + "/a.png", 2048);
    {
        ManifestWriter foreign(pics(), "/elsewhere");
        ASSERT_TRUE(foreign.ok());
    }
    EXPECT_FALSE(backupFolderTree(surfaces, pics()));
    EXPECT_FALSE(fs::exists(pics() + stamp));
}
