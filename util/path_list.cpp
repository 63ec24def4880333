#include "util/path_list.h"

PathList::PathList(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths)
        push_back(path);
}

void PathList::push_back(std::string_view path)
{
    const bool prefixed = !prefix.empty() && path.starts_with(prefix);
    if (prefixed)
        path.remove_prefix(prefix.size());
    characters.append(path);
    entries.push_back(Entry{characters.size(), prefixed});
}

void PathList::append(const PathList& other)
{
    for (std::size_t i = 0; i < other.size(); ++i)
        push_back(other[i]);
}

void PathList::keepIf(const std::function<bool(const std::string&)>& keep)
{
    PathList kept(prefix);
    for (std::size_t i = 0; i < size(); ++i) {
        const std::string path = (*this)[i];
        if (keep(path))
            kept.push_back(path);
    }
    *this = std::move(kept);
}

std::string PathList::operator[](std::size_t index) const
{
    const std::size_t begin = index == 0 ? 0 : entries[index - 1].end;
    const std::size_t end = entries[index].end;
    std::string path = entries[index].prefixed ? prefix : std::string();
    path.append(characters, begin, end - begin);
    return path;
}

std::vector<std::string> PathList::paths() const
{
    std::vector<std::string> all;
    all.reserve(size());
    for (std::size_t i = 0; i < size(); ++i)
        all.push_back((*this)[i]);
    return all;
}
