// Writes the fake tools' results: see fakeImageCommand in fake_image.h.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "support/fake_image.h"

namespace {

long long sizeOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return in ? static_cast<long long>(in.tellg()) : -1;
}

int usage()
{
    std::cerr << "usage: tarnwick_fake_image [--variant] SIZE PATH\n"
                 "       tarnwick_fake_image --shrink BYTES PATH\n"
                 "       tarnwick_fake_image --shrink BYTES IN OUT\n";
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    bool variant = false;
    int next = 1;
    if (next < argc && std::strcmp(argv[next], "--variant") == 0) {
        variant = true;
        ++next;
    }
    long long size = 0;
    std::string out;
    if (next < argc && std::strcmp(argv[next], "--shrink") == 0) {
        if (argc - next != 3 && argc - next != 4)
            return usage();
        const std::string in = argv[next + 2];
        out = argv[argc - 1];
        const long long before = sizeOf(in);
        if (before < 0) {
            std::cerr << "tarnwick_fake_image: cannot read " << in << "\n";
            return 1;
        }
        size = before - std::atoll(argv[next + 1]);
    } else {
        if (argc - next != 2)
            return usage();
        size = std::atoll(argv[next]);
        out = argv[next + 1];
    }
    if (size < 0)
        size = 0;
    const std::string content = fakeImage(fakeKindOfPath(out), size, variant);
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    file << content;
    file.close();
    return file ? 0 : 1;
}
