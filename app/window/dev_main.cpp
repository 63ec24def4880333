// The whole program, built from this folder while the main entry still runs headless only.
#include <string>
#include <vector>

#include "app/window/program_main.h"

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return programMain(arguments);
}
