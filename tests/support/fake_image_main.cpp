// Writes the fake tools' results: see fakeImageCommand in fake_image.h.
#include <iostream>

#include "support/fake_image_command.h"

int main(int argc, char** argv)
{
    return runFakeImageCommand(std::vector<std::string>(argv + 1, argv + argc), std::cerr);
}
