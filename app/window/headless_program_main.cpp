// The program's entry for builds without a display: every run is a headless one.
#include "app/window/program_main.h"

#include "app/headless_main.h"

int programMain(const std::vector<std::string>& arguments)
{
    return headlessMain(parseCommandLine(arguments));
}
