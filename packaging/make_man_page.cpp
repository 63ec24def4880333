// Build tool: writes the manual page, made from the program's --help text, to OUTPUT.
#include <cstdio>

#include "app/arguments.h"
#include "app/man_page.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: make_man_page OUTPUT VERSION\n", stderr);
        return 2;
    }
    std::FILE* out = std::fopen(argv[1], "w");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    const std::string page = manPage(usageText(), argv[2]);
    const bool written = std::fputs(page.c_str(), out) >= 0;
    return std::fclose(out) == 0 && written ? 0 : 1;
}
