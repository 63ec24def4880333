#include "support/fake_image.h"

std::string fakeImageProgram()
{
    return TARNWICK_FAKE_IMAGE;
}

std::string fakeImageCommand()
{
    return "'" + fakeImageProgram() + "'";
}
