// The record's modes, links, read-only folders and POSIX cache paths: Linux only.
#include "engine/finished_record.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "finished_record_fixture.h"
#include "support/temp_folder.h"

namespace {

// Runs check in a child process without root's right to ignore file modes (as "nobody" when the
// tests run as root); its exit code: 0 passed, 1 failed, 77 could not drop root.
int exitCodeUnprivileged(const std::function<bool()>& check)
{
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(77);
        _exit(check() ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace

TEST(FinishedContentHashTest, OnlyRegularFilesHaveAHash)
{
    TempFolder temp;
    const std::string file = temp.write("file.png", "content");
    ASSERT_EQ(symlink(file.c_str(), temp.file("link.png").c_str()), 0);
    // A pipe would block an ordinary open until a writer comes; this test would hang.
    ASSERT_EQ(mkfifo(temp.file("pipe.png").c_str(), 0600), 0);
    temp.makeFolder("folder.png");

    for (const char* name : {"link.png", "pipe.png", "folder.png", "missing.png"})
        EXPECT_EQ(contentHash(temp.file(name)), "") << name;
    EXPECT_EQ(contentHash("/dev/null"), "");
    EXPECT_NE(contentHash(file), "");
}

TEST_F(FinishedRecordTest, MarksSurviveReopeningAndMatchOnlyTheirSetup)
{
    {
        SqliteRecord record(database);
        EXPECT_FALSE(record.isFinished("aaaa", "setup 1"));
        record.markFinished("aaaa", "setup 1");
        record.markFinished("aaaa", "setup 1");
        EXPECT_TRUE(record.isFinished("aaaa", "setup 1"));
        // A file that could not be hashed must never match another that could not either.
        record.markFinished("", "setup 1");
        EXPECT_FALSE(record.isFinished("", "setup 1"));
        EXPECT_EQ(record.problem(), "");
    }
    SqliteRecord reopened(database);
    EXPECT_TRUE(reopened.isFinished("aaaa", "setup 1"));
    EXPECT_FALSE(reopened.isFinished("aaaa", "setup 2"));
    EXPECT_FALSE(reopened.isFinished("aaab", "setup 1"));

    // The record's folders tell which files the user has: for the user's eyes only.
    for (const char* folder : {"cache", "cache/tarnwick"}) {
        struct stat status;
        ASSERT_EQ(stat(temp.file(folder).c_str(), &status), 0) << folder;
        EXPECT_EQ(status.st_mode & 07777, 0700u) << folder;
    }
}

TEST_F(FinishedRecordTest, AReadOnlyFolderOnlyCostsTheSkip)
{
    SqliteRecord(temp.file("full/tarnwick/finished.sqlite")).markFinished("known", "setup");
    temp.makeFolder("empty");
    // The child may be "nobody": it must reach the folders, but write in none of them.
    ASSERT_EQ(chmod(temp.path().c_str(), 0755), 0);
    for (const char* folder : {"full", "full/tarnwick", "empty"})
        ASSERT_EQ(chmod(temp.file(folder).c_str(), 0555), 0) << folder;

    const int code = exitCodeUnprivileged([&] {
        bool ok = true;
        const double seconds = secondsFor([&] {
            // Reading the existing file may or may not work without its -shm file; writing not.
            for (const char* folder : {"empty", "full"}) {
                SqliteRecord record(temp.file(folder) + "/tarnwick/finished.sqlite");
                record.markFinished("new", "setup");
                ok = ok && !record.isFinished("new", "setup");
            }
        });
        return ok && seconds < 1.0;
    });
    if (code == 77)
        GTEST_SKIP() << "cannot drop root's rights";
    EXPECT_EQ(code, 0);
}

TEST(FinishedRecordPathTest, FollowsTheCacheFolderRules)
{
    const struct {
        const char* cache;
        const char* home;
        const char* expected;
    } cases[] = {
        {"/c", "/h", "/c/tarnwick/finished.sqlite"},
        {nullptr, "/h", "/h/.cache/tarnwick/finished.sqlite"},
        {"", "/h", "/h/.cache/tarnwick/finished.sqlite"},
        {"relative", "/h", "/h/.cache/tarnwick/finished.sqlite"},
        {"/c", nullptr, "/c/tarnwick/finished.sqlite"},
        {nullptr, nullptr, ""},
        {nullptr, "", ""},
        {"relative", "relative", ""},
    };
    for (const auto& c : cases) {
        const EnvironmentValue cache("XDG_CACHE_HOME", c.cache);
        const EnvironmentValue home("HOME", c.home);
        EXPECT_EQ(finishedRecordPath(), c.expected)
            << (c.cache ? c.cache : "(unset)") << ", " << (c.home ? c.home : "(unset)");
    }
}

TEST(FinishedSetupKeyTest, ChangesWithTheOptionsAndEachTool)
{
    TempFolder temp;
    const std::string crush = temp.write("bin/pngcrush", "crush 1.0");
    const std::string opti = temp.write("bin/optipng", "opti 1.0");
    const std::vector<std::string> tools = {crush, opti, ""};
    const std::string key = setupKey(false, false, false, tools);
    EXPECT_EQ(setupKey(false, false, false, tools), key);

    EXPECT_NE(setupKey(true, false, false, tools), key);
    EXPECT_NE(setupKey(false, true, false, tools), key);
    EXPECT_NE(setupKey(true, false, false, tools), setupKey(false, true, false, tools));
    EXPECT_NE(setupKey(false, false, true, tools), key);
    EXPECT_NE(setupKey(false, false, false, {opti, crush, ""}), key);
    EXPECT_NE(setupKey(false, false, false, {crush, "", ""}), key);
    EXPECT_NE(setupKey(false, false, false, {crush, opti, temp.file("bin/missing")}), key);

    // An updated tool: another size, or the same size and a new time.
    writeFile(opti, "opti 1.10");
    const std::string resized = setupKey(false, false, false, tools);
    EXPECT_NE(resized, key);
    const timespec older[2] = {{1000, 0}, {1000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, opti.c_str(), older, 0), 0);
    EXPECT_NE(setupKey(false, false, false, tools), resized);

    // A link counts as the tool it points to.
    const std::string link = temp.file("bin/pngout");
    ASSERT_EQ(symlink(crush.c_str(), link.c_str()), 0);
    const std::string linked = setupKey(false, false, false, {link});
    ASSERT_EQ(unlink(link.c_str()), 0);
    ASSERT_EQ(symlink(temp.write("lib/pngcrush", "crush 1.1").c_str(), link.c_str()), 0);
    EXPECT_NE(setupKey(false, false, false, {link}), linked);
}

// Somebody else's folder, or one others may write to, could hold a record planted to make this
// user's files be skipped: such a folder is refused, as ssh refuses such files.
TEST_F(FinishedRecordTest, ACacheFolderOthersCouldWriteToIsRefused)
{
    struct Case {
        const char* name;
        mode_t mode;
        bool otherOwner;
        std::string problem; // empty: the record works
    };
    const Case cases[] = {
        {"private", 0700, false, ""},
        {"shared", 0777, false, "is writable by others"},
        {"group", 0770, false, "is writable by others"},
        {"foreign", 0700, true, "belongs to another user"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string folder = temp.file(std::string(c.name) + "/tarnwick");
        temp.makeFolder(std::string(c.name) + "/tarnwick");
        ASSERT_EQ(chmod(folder.c_str(), c.mode), 0);
        if (c.otherOwner && chown(folder.c_str(), 65534, 65534) != 0)
            GTEST_SKIP() << "only root can give the folder away";
        SqliteRecord record(folder + "/finished.sqlite");
        record.markFinished("hash", "setup");
        EXPECT_EQ(record.isFinished("hash", "setup"), c.problem.empty());
        EXPECT_NE(record.problem().find(c.problem), std::string::npos) << record.problem();
        EXPECT_EQ(record.problem().empty(), c.problem.empty()) << record.problem();
    }
}
