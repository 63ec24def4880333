// The files of a headless run, counted by how they ended.
#pragma once

#include "engine/file_result.h"

struct RunTally {
    int files = 0;
    int processed = 0;
    int skipped = 0;
    int stopped = 0;
    int failed = 0;

    void add(const FileResult& result);
};
