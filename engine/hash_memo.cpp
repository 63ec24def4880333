#include "engine/hash_memo.h"

#include "engine/content_hash.h"
#include "engine/file_queries.h"

std::string HashMemo::remember(const std::string& path)
{
    // The identity first: a write between the two then shows as a changed identity later.
    Entry entry{fileIdentity(path), std::string()};
    entry.hash = contentHash(path);
    std::lock_guard<std::mutex> guard(lock);
    entries[path] = entry;
    return entry.hash;
}

std::string HashMemo::take(const std::string& path) const
{
    Entry entry;
    {
        std::lock_guard<std::mutex> guard(lock);
        const auto found = entries.find(path);
        if (found != entries.end()) {
            entry = std::move(found->second);
            entries.erase(found);
        }
    }
    if (!entry.hash.empty() && entry.identity == fileIdentity(path))
        return entry.hash;
    return contentHash(path);
}
