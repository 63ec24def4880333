// The paths of --files-from: read from a stream one at a time as the job asks for them.
#pragma once

#include <cstdio>
#include <string>

#include "engine/path_source.h"

class ListedPaths : public PathSource {
public:
    // Reads stream (left open) up to each end byte: a line feed, whose "\r" before it is dropped
    // too, or NUL. Empty entries are skipped; a relative path is taken from folder.
    ListedPaths(std::FILE* stream, char end, std::string folder);

    bool next(std::string& path) override;

    // Whether reading stopped at a read error rather than at the end of the list.
    bool failed() const { return readError; }

private:
    std::FILE* stream;
    char end;
    std::string folder;
    bool readError = false;
};
