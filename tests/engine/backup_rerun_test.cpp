// A job that will compress nothing makes no backup; one that compresses anything backs up.
#include <filesystem>
#include <set>

#include "backup_fixture.h"
#include "engine/content_hash.h"
#include "engine/hash_memo.h"
#include "util/live_file.h"

namespace fs = std::filesystem;

namespace {

class RememberingRecord : public FinishedRecord {
public:
    bool isFinished(const std::string& hash, const std::string&) override
    {
        ++lookups;
        return marked.count(hash) != 0;
    }
    void markFinished(const std::string& hash, const std::string&) override { marked.insert(hash); }
    std::set<std::string> marked;
    int lookups = 0;
};

// Backup folders beside or inside the pictures' folder.
int backupsMade(const std::string& top)
{
    int count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(top))
        if (entry.is_directory() &&
            entry.path().filename().string().find("Backup_") != std::string::npos)
            ++count;
    return count;
}

} // namespace

TEST_F(BackupTest, BackupOnlyWhenSomethingWillBeCompressed)
{
    state.options[Option::Full] = false;
    state.options[Option::Strip] = false;
    tools.installShrinkingSet(1024);
    struct Case {
        const char* name;
        bool single;
        bool addNewFile; // after the first run: a file the record does not know
        bool backedUp;
    };
    const Case cases[] = {
        {"every file finished", false, false, false},
        {"one new file", false, true, true},
        {"single finished file", true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const std::string top = folder.file("pics");
        writeFileOfSize(top + "/a.png", 4096);
        writeFileOfSize(top + "/sub/b.png", 4096);
        const std::vector<std::string> paths{c.single ? top + "/a.png" : top};
        RememberingRecord record;
        const JobContext job{surfaces, state, runner, checker, &record};
        state.options[Option::Copy] = false;
        runCompressionJob(job, JobRequest{paths, state.options.snapshot()});
        if (c.addNewFile)
            writeFileOfSize(top + "/c.png", 4096);
        state.options[Option::Copy] = true;
        RecordingSurfaces second;
        const JobContext again{second, state, runner, checker, &record};
        const std::vector<JobOutcome> outcomes =
            runCompressionJob(again, JobRequest{paths, state.options.snapshot()});

        EXPECT_EQ(outcomes, std::vector<JobOutcome>{JobOutcome::Done});
        EXPECT_EQ(backupsMade(folder.file("")), c.backedUp ? 1 : 0);
        const bool noBackupLine =
            second.log().find("Backing up originals... nothing to compress, no backup made\r\n") !=
            std::string::npos;
        EXPECT_EQ(noBackupLine, !c.backedUp) << second.log();
        const bool doneLine =
            second.log().find("Backing up originals... done\r\n") != std::string::npos;
        EXPECT_EQ(doneLine, c.backedUp) << second.log();
    }
}

// The hash taken to decide on the backup stands in for the file at its turn only while the file
// is still the one hashed: a file written meanwhile must not be skipped on its old content.
TEST_F(BackupTest, RememberedHashIsUsedOnlyForTheUnchangedFile)
{
    const std::string path = pics() + "/a.png";
    struct Case {
        const char* what;
        const char* newContent; // null: left as it is
        bool remembered;
    };
    const Case cases[] = {
        {"unchanged", nullptr, true},
        {"rewritten, same size", "second!", false},
        {"rewritten, other size", "second version", false},
    };
    for (const Case& c : cases) {
        writeFile(path, "first!!");
        HashMemo memo;
        const std::string before = memo.remember(path);
        if (c.newContent) {
            // Past the file system's time resolution, as a user's later save would be.
            fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(2));
            writeFile(path, c.newContent);
        }
        const std::string taken = memo.take(path);
        EXPECT_EQ(taken == before, c.remembered) << c.what;
        EXPECT_EQ(taken, contentHash(path)) << c.what;
    }
}
