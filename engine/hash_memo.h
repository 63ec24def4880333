// Content hashes taken once before a job's backup and used again when the file's turn comes, so
// a re-run over finished files reads each file once, not twice.
#pragma once

#include <map>
#include <mutex>
#include <string>

class HashMemo {
public:
    // path's content hash, remembered with the file's identity (file_queries.h).
    std::string remember(const std::string& path);
    // The remembered hash while the file is still the same (same identity), else a fresh one.
    // Each remembered hash is used once.
    std::string take(const std::string& path) const;

private:
    struct Entry {
        std::string identity;
        std::string hash;
    };
    mutable std::mutex lock;
    mutable std::map<std::string, Entry> entries;
};
