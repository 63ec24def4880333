// Builds the command texts the engine hands to its tool runner.
#pragma once

#include <string>

// The path as one quoted argument for the command interpreter. A name that begins with "-" gets
// "./" in front, so no tool can take it for an option.
std::string quotedPathArgument(const std::string& path);
