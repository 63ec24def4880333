#include "support/fake_image_command.h"

#include <fstream>

#include "support/fake_image.h"

namespace {

long long sizeOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return in ? static_cast<long long>(in.tellg()) : -1;
}

int usage(std::ostream& err)
{
    err << "usage: tarnwick_fake_image [--variant] SIZE PATH\n"
           "       tarnwick_fake_image --shrink BYTES PATH\n"
           "       tarnwick_fake_image --shrink BYTES IN OUT\n";
    return 2;
}

} // namespace

int runFakeImageCommand(const std::vector<std::string>& arguments, std::ostream& err)
{
    const std::size_t count = arguments.size();
    bool variant = false;
    std::size_t next = 0;
    if (next < count && arguments[next] == "--variant") {
        variant = true;
        ++next;
    }
    long long size = 0;
    std::string out;
    if (next < count && arguments[next] == "--shrink") {
        if (count - next != 3 && count - next != 4)
            return usage(err);
        const std::string& in = arguments[next + 2];
        out = arguments[count - 1];
        const long long before = sizeOf(in);
        if (before < 0) {
            err << "tarnwick_fake_image: cannot read " << in << "\n";
            return 1;
        }
        size = before - std::atoll(arguments[next + 1].c_str());
    } else {
        if (count - next != 2)
            return usage(err);
        size = std::atoll(arguments[next].c_str());
        out = arguments[next + 1];
    }
    if (size < 0)
        size = 0;
    const std::string content = fakeImage(fakeKindOfPath(out), size, variant);
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    file << content;
    file.close();
    return file ? 0 : 1;
}
