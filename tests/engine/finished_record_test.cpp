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

#include "support/temp_folder.h"

namespace {

double secondsFor(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string hashOf(int n)
{
    return "hash-" + std::to_string(n);
}

// Sets or unsets an environment variable for one test and puts the old value back.
class EnvironmentValue {
public:
    EnvironmentValue(const char* name, const char* value) : name(name)
    {
        if (const char* old = std::getenv(name))
            previous = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~EnvironmentValue()
    {
        if (previous)
            setenv(name, previous->c_str(), 1);
        else
            unsetenv(name);
    }

private:
    const char* name;
    std::optional<std::string> previous;
};

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

TEST(FinishedContentHashTest, StableAndChangedByOneByte)
{
    TempFolder temp;
    // Larger than one read chunk, so the byte changed below lies in the second chunk.
    const std::string path = temp.file("a.png");
    ASSERT_TRUE(writeFileOfSize(path, 200 * 1024));
    std::string content = readFile(path);

    const std::string hash = contentHash(path);
    EXPECT_EQ(hash.size(), 32u);
    EXPECT_EQ(hash.find_first_not_of("0123456789abcdef"), std::string::npos) << hash;
    EXPECT_EQ(contentHash(path), hash);
    EXPECT_EQ(contentHash(temp.write("copy.png", content)), hash);

    content[100 * 1024] ^= 1;
    EXPECT_NE(contentHash(temp.write("middle.png", content)), hash);
    content[100 * 1024] ^= 1;
    content.back() ^= 1;
    EXPECT_NE(contentHash(temp.write("last.png", content)), hash);
    content.back() ^= 1;
    EXPECT_NE(contentHash(temp.write("longer.png", content + '\0')), hash);

    const std::string empty = contentHash(temp.write("empty.png", ""));
    EXPECT_EQ(empty.size(), 32u);
    EXPECT_NE(empty, hash);
}

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

class FinishedRecordTest : public ::testing::Test {
protected:
    TempFolder temp;
    const std::string database = temp.file("cache/tarnwick/finished.sqlite");
};

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

TEST_F(FinishedRecordTest, WorkersAndOtherProcessesShareTheRecord)
{
    constexpr int workers = 8;
    constexpr int perWorker = 50;
    SqliteRecord record(database);
    SqliteRecord otherProcess(database);
    std::vector<std::thread> threads;
    std::vector<int> wrong(workers, 0);
    for (int w = 0; w < workers; ++w)
        threads.emplace_back([&, w] {
            for (int i = 0; i < perWorker; ++i) {
                const std::string hash = hashOf(w * perWorker + i);
                wrong[w] += record.isFinished(hash, "setup");
                record.markFinished(hash, "setup");
                wrong[w] += !record.isFinished(hash, "setup");
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    for (int w = 0; w < workers; ++w)
        EXPECT_EQ(wrong[w], 0) << "worker " << w;
    for (int n = 0; n < workers * perWorker; ++n)
        ASSERT_TRUE(otherProcess.isFinished(hashOf(n), "setup")) << n;
    EXPECT_FALSE(otherProcess.isFinished(hashOf(workers * perWorker), "setup"));
}

// Each case leaves the record unusable; it must answer "not finished" at once, give up after
// the first failure, and leave the file it found as it was.
TEST_F(FinishedRecordTest, AnUnusableFileOnlyCostsTheSkip)
{
    sqlite3* locker = nullptr;
    const struct {
        const char* name;
        std::function<std::string()> prepare;
    } cases[] = {
        {"not a database",
         [&] { return temp.write("corrupt/finished.sqlite", std::string(4096, 'g')); }},
        {"folder cannot be made", [&] { return temp.write("file", "") + "/tarnwick/f.sqlite"; }},
        {"no HOME",
         [] {
             const EnvironmentValue cache("XDG_CACHE_HOME", nullptr);
             const EnvironmentValue home("HOME", nullptr);
             return finishedRecordPath();
         }},
        {"held by another program's exclusive transaction",
         [&] {
             const std::string path = temp.makeFolder("locked") + "/finished.sqlite";
             sqlite3_open(path.c_str(), &locker);
             sqlite3_exec(locker, "BEGIN EXCLUSIVE; CREATE TABLE t (x)", nullptr, nullptr, nullptr);
             return path;
         }},
    };
    for (const auto& c : cases) {
        const std::string path = c.prepare();
        const std::string before = readFile(path);
        SqliteRecord record(path);
        EXPECT_LT(secondsFor([&] { EXPECT_FALSE(record.isFinished("aaaa", "setup")); }), 1.0)
            << c.name;
        EXPECT_NE(record.problem(), "") << c.name;
        // Given up: the further calls do not each try, and wait, again.
        EXPECT_LT(secondsFor([&] {
                      for (int i = 0; i < 20; ++i) {
                          record.markFinished(hashOf(i), "setup");
                          EXPECT_FALSE(record.isFinished(hashOf(i), "setup")) << c.name;
                      }
                  }),
                  1.0)
            << c.name;
        EXPECT_EQ(readFile(path), before) << c.name;
    }
    sqlite3_close(locker);
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

TEST_F(FinishedRecordTest, AWriterHoldingTheSharedFileStopsOnlyTheMarks)
{
    SqliteRecord(database).markFinished("known", "setup");
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(database.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(
        sqlite3_exec(other, "BEGIN EXCLUSIVE; DELETE FROM finished", nullptr, nullptr, nullptr),
        SQLITE_OK);

    SqliteRecord record(database);
    // Readers see the last committed state while another process writes.
    EXPECT_TRUE(record.isFinished("known", "setup"));
    EXPECT_FALSE(record.isFinished("unknown", "setup"));
    // Each mark waits out the busy timeout, until the record counts the lock as held for good.
    EXPECT_LT(secondsFor([&] {
                  for (int i = 0; i < 10; ++i)
                      record.markFinished(hashOf(i), "setup");
              }),
              1.5);
    EXPECT_NE(record.problem(), "");
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
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
    const std::string key = setupKey(false, false, tools);
    EXPECT_EQ(setupKey(false, false, tools), key);

    EXPECT_NE(setupKey(true, false, tools), key);
    EXPECT_NE(setupKey(false, true, tools), key);
    EXPECT_NE(setupKey(true, false, tools), setupKey(false, true, tools));
    EXPECT_NE(setupKey(false, false, {opti, crush, ""}), key);
    EXPECT_NE(setupKey(false, false, {crush, "", ""}), key);
    EXPECT_NE(setupKey(false, false, {crush, opti, temp.file("bin/missing")}), key);

    // An updated tool: another size, or the same size and a new time.
    writeFile(opti, "opti 1.10");
    const std::string resized = setupKey(false, false, tools);
    EXPECT_NE(resized, key);
    const timespec older[2] = {{1000, 0}, {1000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, opti.c_str(), older, 0), 0);
    EXPECT_NE(setupKey(false, false, tools), resized);

    // A link counts as the tool it points to.
    const std::string link = temp.file("bin/pngout");
    ASSERT_EQ(symlink(crush.c_str(), link.c_str()), 0);
    const std::string linked = setupKey(false, false, {link});
    ASSERT_EQ(unlink(link.c_str()), 0);
    ASSERT_EQ(symlink(temp.write("lib/pngcrush", "crush 1.1").c_str(), link.c_str()), 0);
    EXPECT_NE(setupKey(false, false, {link}), linked);
}
