#include "engine/finished_record.h"

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <utility>

#include <sqlite3.h>

#include "engine/file_queries.h"
#include "util/file_system.h"

namespace {

// Long enough to wait out another Tarnwick process's one-row write, short enough that a file
// held locked for good costs the job a moment, not a pause per image.
constexpr int busyTimeoutMs = 200;
// Busy answers in a row after which the lock counts as held for good and the record gives up.
constexpr int busyLimit = 3;

// setup holds the setup key's textHash: the key names every tool's path, which would make each
// row a few hundred bytes long. last_seen is when a pair was last marked or found (to the day).
const char* const schema = "CREATE TABLE IF NOT EXISTS finished ("
                           " content_hash TEXT NOT NULL,"
                           " setup TEXT NOT NULL,"
                           " last_seen INTEGER NOT NULL,"
                           " PRIMARY KEY (content_hash, setup)) WITHOUT ROWID";

// A row not marked or found for this long goes: its content is most likely gone or changed, and
// without pruning the file grows by about 100 bytes per finished file and setup for good. Losing
// a row costs only compressing that file again.
constexpr std::int64_t keptDays = 365;
constexpr std::int64_t secondsPerDay = 24 * 60 * 60;

std::int64_t today()
{
    return static_cast<std::int64_t>(std::time(nullptr)) / secondsPerDay;
}

std::int64_t userVersion(sqlite3* db)
{
    sqlite3_stmt* statement = nullptr;
    std::int64_t version = 0;
    if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
        version = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    return version;
}

// Drops the rows older than keptDays, at most once a day: the file's user_version holds the day
// of the last pruning, so the scan costs one job a day, not every job. Housekeeping only: when
// another process holds the file or anything fails, it is left for another day.
void pruneOldRows(sqlite3* db)
{
    const std::int64_t day = today();
    if (userVersion(db) >= day)
        return;
    const std::string prune = "BEGIN IMMEDIATE; DELETE FROM finished WHERE last_seen < " +
                              std::to_string((day - keptDays) * secondsPerDay) +
                              "; PRAGMA user_version = " + std::to_string(day) + "; COMMIT";
    if (sqlite3_exec(db, prune.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK &&
        !sqlite3_get_autocommit(db))
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
}

// Runs statement once for the pair and returns SQLite's answer; firstColumn, when given, receives
// the first column of a row it returns.
int runOnce(sqlite3_stmt* statement, const std::string& contentHash, const std::string& setupHash,
            std::int64_t* firstColumn)
{
    sqlite3_bind_text(statement, 1, contentHash.data(), static_cast<int>(contentHash.size()),
                      SQLITE_STATIC);
    sqlite3_bind_text(statement, 2, setupHash.data(), static_cast<int>(setupHash.size()),
                      SQLITE_STATIC);
    const int rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW && firstColumn)
        *firstColumn = sqlite3_column_int64(statement, 0);
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    return rc;
}

// Creates the folders above path that are missing, each with mode 0700: the record tells which
// files of the user exist, which is nobody else's business.
bool makeParentFolders(const std::string& path)
{
    for (std::size_t slash = path.find_first_of(pathSeparators, 1); slash != std::string::npos;
         slash = path.find_first_of(pathSeparators, slash + 1)) {
        const std::string folder = path.substr(0, slash);
        // Some systems refuse mkdir on a read-only mount before they look for the folder.
        if (makeNewFolder(folder, true) == NewFolder::failed && !directoryExists(folder))
            return false;
    }
    return true;
}

bool isBusy(int rc)
{
    const int primary = rc & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

// "/..." on Linux; on Windows also "C:\..." or "C:/...".
bool isAbsolute(const char* folder)
{
    if (!folder || !*folder)
        return false;
    if (isSeparator(folder[0]))
        return true;
    return pathSeparator == '\\' && folder[1] == ':' && isSeparator(folder[2]);
}

} // namespace

SqliteRecord::SqliteRecord(std::string path) : path(std::move(path)) {}

SqliteRecord::~SqliteRecord()
{
    sqlite3_finalize(lookup);
    sqlite3_finalize(insert);
    sqlite3_finalize(touch);
    sqlite3_close_v2(db);
}

std::string SqliteRecord::problem() const
{
    std::lock_guard<std::mutex> guard(lock);
    return failure;
}

void SqliteRecord::giveUp(const std::string& why)
{
    failure = why;
    if (db)
        failure += ": " + std::string(sqlite3_errmsg(db));
    sqlite3_finalize(lookup);
    sqlite3_finalize(insert);
    sqlite3_finalize(touch);
    sqlite3_close_v2(db);
    lookup = nullptr;
    insert = nullptr;
    touch = nullptr;
    db = nullptr;
    state = State::GivenUp;
}

// A file that is not a database is left where it is, unused, rather than moved aside or
// replaced: it may be one another process has open in WAL mode, and renaming a live database
// away from its -wal and -shm files is what would really corrupt it. The record is only a
// shortcut, so losing it costs time, never a file; problem() lets the caller say why.
bool SqliteRecord::ready()
{
    if (state == State::Open)
        return true;
    if (state == State::GivenUp)
        return false;
    if (path.empty()) {
        giveUp("no cache folder (neither XDG_CACHE_HOME nor HOME is set)");
        return false;
    }
    if (!makeParentFolders(path)) {
        giveUp("cannot create the folder of " + path);
        return false;
    }
    // As ssh refuses such files: whoever else may write there could plant a record that makes
    // this user's files be skipped.
    if (const std::string why = whyNotPrivate(path.substr(0, path.find_last_of(pathSeparators)));
        !why.empty()) {
        giveUp(why);
        return false;
    }
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX |
                      SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_EXRESCODE;
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        giveUp("cannot open " + path);
        return false;
    }
    sqlite3_busy_timeout(db, busyTimeoutMs);
    // WAL lets other processes read while one writes. With it, NORMAL syncs only at checkpoints:
    // a mark lost to a power cut only costs redoing that file.
    if (sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_exec(db, schema, nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db,
                           "SELECT last_seen FROM finished WHERE content_hash = ?1 AND setup = ?2",
                           -1, &lookup, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db,
                           "UPDATE finished SET last_seen = CAST(strftime('%s', 'now') AS INTEGER)"
                           " WHERE content_hash = ?1 AND setup = ?2",
                           -1, &touch, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db,
                           "INSERT OR REPLACE INTO finished (content_hash, setup, last_seen)"
                           " VALUES (?1, ?2, CAST(strftime('%s', 'now') AS INTEGER))",
                           -1, &insert, nullptr) != SQLITE_OK) {
        giveUp("cannot use " + path);
        return false;
    }
    pruneOldRows(db);
    state = State::Open;
    return true;
}

int SqliteRecord::step(sqlite3_stmt* statement, const std::string& contentHash,
                       const std::string& setupHash, std::int64_t* firstColumn)
{
    const int rc = runOnce(statement, contentHash, setupHash, firstColumn);
    if (rc == SQLITE_ROW || rc == SQLITE_DONE)
        busyInARow = 0;
    else if (!isBusy(rc) || ++busyInARow >= busyLimit)
        giveUp("cannot use " + path);
    return rc;
}

bool SqliteRecord::isFinished(const std::string& contentHash, const std::string& setup)
{
    // A file that could not be hashed must never match another that could not either.
    if (contentHash.empty())
        return false;
    const std::string setupHash = textHash(setup);
    std::lock_guard<std::mutex> guard(lock);
    std::int64_t lastSeen = 0;
    if (!ready() || step(lookup, contentHash, setupHash, &lastSeen) != SQLITE_ROW)
        return false;
    // Found: it is kept another year from now. Once a day at most, so a re-run over a finished
    // folder stays nearly free of writes; and not at all once a refresh has failed (the file held
    // by another writer), so lookups never wait on writes.
    if (touching && lastSeen < (today() - 1) * secondsPerDay)
        touching = runOnce(touch, contentHash, setupHash, nullptr) == SQLITE_DONE;
    return true;
}

void SqliteRecord::markFinished(const std::string& contentHash, const std::string& setup)
{
    if (contentHash.empty())
        return;
    const std::string setupHash = textHash(setup);
    std::lock_guard<std::mutex> guard(lock);
    if (ready())
        step(insert, contentHash, setupHash);
}

std::string finishedRecordPath()
{
    // Relative values are ignored, as the XDG base directory rules ask.
    const std::string separator(1, pathSeparator);
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (isAbsolute(cache))
        return std::string(cache) + separator + "tarnwick" + separator + "finished.sqlite";
    const std::string userCache = userCacheFolder();
    if (isAbsolute(userCache.c_str()))
        return userCache + separator + "tarnwick" + separator + "finished.sqlite";
    return std::string();
}

std::string setupKey(bool full, bool strip, bool optimize,
                     const std::vector<std::string>& toolPaths)
{
    // The leading version changes whenever this key's meaning does, so older rows stop matching.
    // Optimize is named only when on: with it off the key (and so the record) stays as it was.
    std::string key = "v1 full=" + std::to_string(full) + " strip=" + std::to_string(strip);
    if (optimize)
        key += " optimize=1";
    for (const std::string& tool : toolPaths) {
        // Length first, so no path, however odd its characters, can run into the next field.
        key += "\n" + std::to_string(tool.size()) + ":" + tool + " " + fileIdentity(tool);
    }
    return key;
}
