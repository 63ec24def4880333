// The work of the fake image program (fake_image.h) as a call, for the programs that write fake
// images themselves: arguments as the program takes them, without its name. Its exit status.
#pragma once

#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

int runFakeImageCommand(const std::vector<std::string>& arguments, std::ostream& err);
