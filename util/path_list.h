// A list of paths in one buffer: a walk over a million files holds their characters and an
// offset each, where a vector of strings costs an allocation and a header per path. Paths that
// begin with the list's prefix keep only the rest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class PathList {
public:
    PathList() = default;
    explicit PathList(std::string prefix) : prefix(std::move(prefix)) {}
    // The paths given one by one.
    PathList(const std::vector<std::string>& paths);

    void push_back(std::string_view path);
    // Appends every path of other, in order.
    void append(const PathList& other);
    // Keeps, in order, only the paths for which keep is true.
    void keepIf(const std::function<bool(const std::string&)>& keep);

    std::size_t size() const { return entries.size(); }
    bool empty() const { return entries.empty(); }
    std::string operator[](std::size_t index) const;
    std::vector<std::string> paths() const;

private:
    struct Entry {
        std::uint64_t end : 63; // one past the path's last character in characters
        std::uint64_t prefixed : 1;
    };

    std::string prefix;
    std::string characters;
    std::vector<Entry> entries;
};
