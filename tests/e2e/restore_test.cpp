// tarnwick --restore: the originals come back over the job's results, and only over them.
#include <filesystem>

#include <sys/stat.h>

#include "engine/backup_manifest.h"
#include "program_fixture.h"
#include "support/fake_tools.h"
#include "util/live_file.h"

namespace fs = std::filesystem;

namespace {

class RestoreTest : public ProgramTest {
protected:
    RestoreTest() : tools(temp.file("bin")) { tools.installShrinkingSet(512); }

    // Compresses pics with a backup and returns the backup's folder.
    std::string compressWithBackup()
    {
        writeFile(settingsFile(), "{\"Copy\":true,\"Full\":false,\"Strip\":false}");
        const ProgramRun job = run({temp.file("pics")});
        EXPECT_EQ(job.exitStatus, 0) << job.out << job.err;
        for (const auto& entry : fs::directory_iterator(temp.file("")))
            if (entry.path().filename().string().rfind("picsBackup_", 0) == 0)
                return entry.path().string();
        ADD_FAILURE() << "no backup beside pics";
        return std::string();
    }

    FakeTools tools;
};

struct Stat {
    mode_t mode;
    std::int64_t modified;
};

Stat statOf(const std::string& path)
{
    struct stat info {};
    ::stat(path.c_str(), &info);
    return Stat{info.st_mode & 07777, static_cast<std::int64_t>(info.st_mtim.tv_sec)};
}

} // namespace

TEST_F(RestoreTest, NormalJobIsUndoneByteForByteKeepingModesAndTimes)
{
    writeFileOfSize(temp.file("pics/a.png"), 4096);
    writeFileOfSize(temp.file("pics/sub/b.png"), 3000);
    writeFile(temp.file("pics/notes.txt"), "left alone");
    ::chmod(temp.file("pics/a.png").c_str(), 0640);
    const std::string a = readFile(temp.file("pics/a.png"));
    const std::string b = readFile(temp.file("pics/sub/b.png"));
    const std::string backup = compressWithBackup();
    ASSERT_NE(readFile(temp.file("pics/a.png")), a);
    const Stat compressed = statOf(temp.file("pics/a.png"));

    const ProgramRun restore = run({"--restore", backup});

    EXPECT_EQ(restore.exitStatus, 0) << restore.out << restore.err;
    EXPECT_EQ(readFile(temp.file("pics/a.png")), a);
    EXPECT_EQ(readFile(temp.file("pics/sub/b.png")), b);
    EXPECT_EQ(readFile(temp.file("pics/notes.txt")), "left alone");
    EXPECT_EQ(statOf(temp.file("pics/a.png")).mode, 0640u);
    EXPECT_EQ(statOf(temp.file("pics/a.png")).modified, compressed.modified);
    const std::vector<std::string> lines = splitLines(restore.out);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Restored a.png (4.000 KB)"), lines.end())
        << restore.out;
    EXPECT_NE(
        std::find(lines.begin(), lines.end(), "Keeping notes.txt (0.010 KB): already the original"),
        lines.end())
        << restore.out;
    EXPECT_EQ(lines.back(), "Restored 2 of 3 files into " +
                                fs::canonical(temp.file("pics")).string() +
                                ": 1 already original, 0 changed since the job, 0 missing, 0 "
                                "failed");
    // A second restore finds everything original.
    EXPECT_EQ(run({"--restore", backup}).exitStatus, 0);
    EXPECT_EQ(readFile(temp.file("pics/a.png")), a);
}

TEST_F(RestoreTest, FilesChangedOrRemovedSinceTheJobAreListedAndKept)
{
    writeFileOfSize(temp.file("pics/a.png"), 4096);
    writeFileOfSize(temp.file("pics/edited.png"), 4096);
    writeFileOfSize(temp.file("pics/gone.png"), 4096);
    const std::string a = readFile(temp.file("pics/a.png"));
    const std::string backup = compressWithBackup();
    writeFile(temp.file("pics/edited.png"), "the user's new picture");
    fs::remove(temp.file("pics/gone.png"));

    const ProgramRun restore = run({"--json", "--restore", backup});

    EXPECT_EQ(restore.exitStatus, 1) << restore.err;
    EXPECT_EQ(readFile(temp.file("pics/a.png")), a);
    EXPECT_EQ(readFile(temp.file("pics/edited.png")), "the user's new picture");
    EXPECT_FALSE(fs::exists(temp.file("pics/gone.png")));
    const std::string root = fs::canonical(temp.file("pics")).string();
    const std::vector<std::string> json = splitLines(restore.out);
    ASSERT_EQ(json.size(), 4u) << restore.out;
    std::vector<std::string> sorted(json.begin(), json.end() - 1);
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<std::string>{
                          "{\"path\":\"" + root + "/a.png\",\"action\":\"restored\"}",
                          "{\"path\":\"" + root + "/edited.png\",\"action\":\"skipped-changed\"}",
                          "{\"path\":\"" + root + "/gone.png\",\"action\":\"missing\"}"}));
    EXPECT_EQ(json.back(), "{\"files\":3,\"restored\":1,\"unchanged\":0,\"skipped-changed\":1,"
                           "\"missing\":1,\"failed\":0,\"exit_status\":1}");
    EXPECT_NE(restore.err.find("Skipping edited.png (0.021 KB): changed since the job, left as "
                               "it is"),
              std::string::npos)
        << restore.err;
}

TEST_F(RestoreTest, BadCommandLinesAndFoldersWithoutAManifestExitWithTwo)
{
    fs::create_directories(temp.file("plain"));
    fs::create_directories(temp.file("cut"));
    writeFile(temp.file("cut/") + manifestName, "0123456789abcdef {\"tarnwick-bac");
    const std::vector<std::vector<std::string>> cases = {
        {"--restore"},
        {"--restore", temp.file("plain")},
        {"--restore", temp.file("cut")},
        {"--restore", temp.file("missing")},
        {"--restore", temp.file("plain"), temp.file("pics")},
    };
    for (const auto& arguments : cases) {
        const ProgramRun result = run(arguments);
        EXPECT_EQ(result.exitStatus, 2) << arguments.back() << result.err;
    }
}
