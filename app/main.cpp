// The program's entry point. Started with arguments it runs headless.
#include <string>
#include <vector>

#include "app/headless_main.h"

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return headlessMain(arguments);
}
