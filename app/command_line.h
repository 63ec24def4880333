// Paths from the command line mean what the caller's shell means by them.
#pragma once

#include <string>
#include <vector>

// The current folder (getcwd); empty when it cannot be told (for example, it was removed).
std::string currentFolder();

// path joined to folder when it is relative ("." and leading "./" dropped, ".." left for the
// system to resolve); an absolute or empty path, or an empty folder, leaves path as it is.
std::string absoluteFrom(const std::string& path, const std::string& folder);

// Every path made absolute against the current folder; call before the program changes it.
std::vector<std::string> absolutePaths(const std::vector<std::string>& paths);
