// The names of one file (hard links) that a job meets: the file is worked once, under the first
// of them. Only files with more than one name are kept, so memory stays with the linked files.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>

class LinkedNames {
public:
    // The name under which the file behind path was claimed before in this job, or an empty text
    // when path is its first name (or the file has only one name). Safe from any thread.
    std::string claim(const std::string& path);

private:
    std::mutex mutex;
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::string> firstNames;
};
