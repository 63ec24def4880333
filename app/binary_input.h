// Standard input as bytes, one file a platform (binary_input_posix.cpp, binary_input_win32.cpp):
// a list of paths must reach us as written, line ends and all.
#pragma once

#include <cstdio>

// Switches stream to reading bytes unchanged (on Windows, standard input starts in text mode).
void readAsBytes(std::FILE* stream);
