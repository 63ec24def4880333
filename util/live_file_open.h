// Opening and sizing files for liveFile, one file a platform (live_file_posix.cpp,
// live_file_win32.cpp). Streams opened here are never inherited by the tools started meanwhile.
#pragma once

#include <cstdio>
#include <string>

// Opens path in one of liveFile's modes: 0 "w", 1 "r", 2 "r+", 3 "w+", 4 "a+", then the same five
// in binary. Null for any other mode or when the file cannot be opened.
std::FILE* openWithMode(const std::string& path, int mode);
