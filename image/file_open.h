#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

// The checks name files in UTF-8 on every system; Windows opens them through their wide names,
// so any name works there. No handle opened here is inherited by the programs the engine starts.

// The path as the system's file functions take it.
std::filesystem::path systemPath(const std::string& path);

// For binary reading; null when it cannot be opened.
std::FILE* openForReading(const std::string& path);

// A file descriptor for binary reading; -1 when it cannot be opened.
int openDescriptorForReading(const std::string& path);
