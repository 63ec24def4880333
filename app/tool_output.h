// Reading a tool's answer: firstOutputLine (tool_versions.h) is defined one file a platform
// (tool_output_posix.cpp, tool_output_win32.cpp) on this shared piece.
#pragma once

#include <string>

// The first non-blank complete line of text, or of its unterminated end when final is set.
bool takeFirstLine(const std::string& text, bool final, std::string& line);
