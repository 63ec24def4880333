// The program's entry point: without arguments it shows the window, with arguments it runs
// headless.
#include <string>
#include <vector>

#include "app/window/program_main.h"

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return programMain(arguments);
}
