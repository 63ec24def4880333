#include "engine/linked_names.h"

#include "engine/file_queries.h"

std::string LinkedNames::claim(const std::string& path)
{
    FileNumber file;
    if (!fileNumber(path, file) || file.names < 2)
        return std::string();
    std::lock_guard<std::mutex> lock(mutex);
    const auto [entry, first] = firstNames.try_emplace({file.device, file.number}, path);
    return first ? std::string() : entry->second;
}
