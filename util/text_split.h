// Cutting a text into pieces appended to a caller-owned list (never cleared).
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Arguments separated by spaces; a double quote at an argument's start groups up to the next one.
void splitCommandLine(std::string_view text, std::vector<std::string>& result);

// The non-empty pieces between delimiters.
void splitOnChar(std::string_view text, std::vector<std::string>& result, char delimiter);
