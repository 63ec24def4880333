// Remembers which file contents are already finished under which setup, so a second run over the
// same folder skips them. The record is only a shortcut: when it cannot be used, files are simply
// compressed again. Callers fingerprint a file with contentHash (engine/content_hash.h).
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "engine/content_hash.h"

struct sqlite3;
struct sqlite3_stmt;

class FinishedRecord {
public:
    virtual ~FinishedRecord() = default;
    // Whether a file with this content was already finished under this setup (options + tools).
    virtual bool isFinished(const std::string& contentHash, const std::string& setup) = 0;
    // Remembers that a file now holding this content is finished under this setup.
    virtual void markFinished(const std::string& contentHash, const std::string& setup) = 0;
};

// Remembers nothing: every file is worked on.
class NoRecord : public FinishedRecord {
public:
    bool isFinished(const std::string&, const std::string&) override { return false; }
    void markFinished(const std::string&, const std::string&) override {}
};

// A record in an SQLite file that several Tarnwick processes and several threads of one may
// share. Nothing here throws or prints: any failure answers "not finished" and drops the mark.
// After the first failure (a folder that cannot be made, a file that is unreadable, read-only or
// not a database, a lock held past three busy timeouts of 200 ms) the record stops trying for its
// lifetime, so a bad file costs one short wait, not one per image. A file that is not a database
// is left as it is, never deleted. problem() tells why the record was given up, for the log.
// A row neither marked nor found for a year is dropped (looked for once a day), so the file stops
// growing with every file ever finished.
class SqliteRecord : public FinishedRecord {
public:
    // The file is opened (and its folder made, mode 0700) at the first call, not here. An empty
    // path gives a record that remembers nothing.
    explicit SqliteRecord(std::string path);
    ~SqliteRecord() override;
    SqliteRecord(const SqliteRecord&) = delete;
    SqliteRecord& operator=(const SqliteRecord&) = delete;

    bool isFinished(const std::string& contentHash, const std::string& setup) override;
    void markFinished(const std::string& contentHash, const std::string& setup) override;

    // Empty while the record works (or has not been opened yet); otherwise why it was given up.
    std::string problem() const;

private:
    enum class State { Closed, Open, GivenUp };

    // All three with lock held. step runs statement once for the pair and returns SQLite's
    // answer (firstColumn, when given, receives the first column of a row it returns), giving
    // the record up on an error or on too many busy answers in a row.
    bool ready();
    void giveUp(const std::string& why);
    int step(sqlite3_stmt* statement, const std::string& contentHash, const std::string& setupHash,
             std::int64_t* firstColumn = nullptr);

    // Guards everything below: one connection shared by the job's workers. Statements are
    // microseconds long, so workers rarely wait on each other.
    mutable std::mutex lock;
    const std::string path;
    State state = State::Closed;
    std::string failure;
    sqlite3* db = nullptr;
    sqlite3_stmt* lookup = nullptr;
    sqlite3_stmt* insert = nullptr;
    sqlite3_stmt* touch = nullptr;
    int busyInARow = 0;
    bool touching = true;
};

// Where the record of this user lives: $XDG_CACHE_HOME/tarnwick/finished.sqlite, or
// $HOME/.cache/tarnwick/finished.sqlite when XDG_CACHE_HOME is unset, empty or relative. Empty
// when neither gives an absolute folder.
std::string finishedRecordPath();

// A text that differs whenever compressing the same content could give a different result: the
// options that change what the steps do (full, strip, optimize; hogging the system only changes
// speed, keeping dates only the file times) and the identity of each tool the steps can run.
// toolPaths holds the resolved path of each such tool, in the tools' table order, "" for a
// missing one; each is stat'ed here (following links, so a retargeted link
// counts) for its inode, size, modification and change time. A replaced or updated tool thus
// changes the key without starting any process.
std::string setupKey(bool full, bool strip, bool optimize,
                     const std::vector<std::string>& toolPaths);
