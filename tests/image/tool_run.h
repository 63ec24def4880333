// Runs the real command-line tools some image tests feed the checks with (Linux only).
#pragma once

#include <string>
#include <vector>

bool onPath(const std::string& program);

// Runs a program with its arguments as given (no shell) and returns its standard output; a
// failed run fails the test.
std::string run(const std::vector<std::string>& arguments);
