#include "engine/finished_record.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <thread>

#include <sqlite3.h>

#include "finished_record_fixture.h"
#include "support/temp_folder.h"

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
             // No user cache folder on either system: HOME on Linux, LOCALAPPDATA on Windows.
             const EnvironmentValue cache("XDG_CACHE_HOME", nullptr);
             const EnvironmentValue home("HOME", nullptr);
             const EnvironmentValue local("LOCALAPPDATA", nullptr);
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

namespace {

void execute(const std::string& database, const std::string& sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    sqlite3_close(db);
}

// Moves a row's last sighting the given number of days into the past.
std::string ageBy(const std::string& hash, int days)
{
    return "UPDATE finished SET last_seen = CAST(strftime('%s', 'now') AS INTEGER) - " +
           std::to_string(days) + " * 86400 WHERE content_hash = '" + hash + "';";
}

} // namespace

// A row neither marked nor found for a year goes when a record is opened, once a day; a row
// found is kept another year.
TEST_F(FinishedRecordTest, RowsUnseenForAYearAreDroppedAndFoundRowsAreKept)
{
    {
        SqliteRecord record(database);
        for (const char* hash : {"old", "aging", "fresh"})
            record.markFinished(hash, "setup");
    }
    // As a file last pruned long ago would be.
    execute(database, ageBy("old", 400) + ageBy("aging", 300) + "PRAGMA user_version = 0;");
    {
        SqliteRecord record(database);
        EXPECT_FALSE(record.isFinished("old", "setup"));
        EXPECT_TRUE(record.isFinished("aging", "setup"));
        EXPECT_TRUE(record.isFinished("fresh", "setup"));
    }
    // Found the day before, so kept: no second pruning the same day, and no scan either.
    execute(database, ageBy("aging", 400) + ageBy("fresh", 400));
    SqliteRecord record(database);
    EXPECT_TRUE(record.isFinished("aging", "setup"));
    EXPECT_TRUE(record.isFinished("fresh", "setup"));
    // Tomorrow's pruning would drop what was not found since.
    execute(database, ageBy("fresh", 400) + "PRAGMA user_version = 0;");
    EXPECT_TRUE(SqliteRecord(database).isFinished("aging", "setup"));
    EXPECT_FALSE(SqliteRecord(database).isFinished("fresh", "setup"));
}

TEST_F(FinishedRecordTest, AWriterHoldingTheSharedFileStopsOnlyTheMarks)
{
    SqliteRecord(database).markFinished("known", "setup");
    // Found rows older than a day are refreshed: that write must not stop the lookups.
    execute(database, ageBy("known", 2));
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(database.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(
        sqlite3_exec(other, "BEGIN EXCLUSIVE; DELETE FROM finished", nullptr, nullptr, nullptr),
        SQLITE_OK);

    SqliteRecord record(database);
    // Readers see the last committed state while another process writes.
    EXPECT_LT(secondsFor([&] {
                  for (int i = 0; i < 10; ++i) {
                      EXPECT_TRUE(record.isFinished("known", "setup"));
                      EXPECT_FALSE(record.isFinished("unknown", "setup"));
                  }
              }),
              1.0);
    EXPECT_EQ(record.problem(), "");
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
