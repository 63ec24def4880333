#include "app/listed_paths.h"

#include <utility>

#include "app/command_line.h"

ListedPaths::ListedPaths(std::FILE* stream, char end, std::string folder)
    : stream(stream), end(end), folder(std::move(folder))
{}

bool ListedPaths::next(std::string& path)
{
    path.clear();
    // getc, not fread: a pipe's first path is taken as soon as it arrives, not once a whole
    // buffer has come.
    for (int c = std::getc(stream);; c = std::getc(stream)) {
        if (c == EOF) {
            readError = std::ferror(stream) != 0;
            if (path.empty())
                return false;
        }
        if (c == EOF || c == static_cast<unsigned char>(end)) {
            if (end == '\n' && !path.empty() && path.back() == '\r')
                path.pop_back();
            if (path.empty())
                continue;
            path = absoluteFrom(path, folder);
            return true;
        }
        path += static_cast<char>(c);
    }
}
