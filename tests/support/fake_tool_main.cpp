// A stand-in optimizer as a program of its own, for systems without a shell to script one: it
// records its call ("NAME|ARG|ARG..." in FAKE_TOOL_LOG when set) and writes the same picture
// FAKE_TOOL_SHRINK bytes (default 512) smaller: pngcrush from its second last argument into its
// last, the others in place into their last. Its name is the one it was started by, so one
// program copied as pngcrush.exe, optipng.exe ... serves for all. upx -t passes unrecorded.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "support/fake_image.h"

namespace {

std::string toolName(const char* started)
{
    std::string name = started;
    const std::size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0)
        name.resize(name.size() - 4);
    return name;
}

long long sizeOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return in ? static_cast<long long>(in.tellg()) : -1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string name = toolName(argv[0]);
    if (name == "upx" && argc > 1 && std::strcmp(argv[1], "-t") == 0)
        return 0;
    if (const char* log = std::getenv("FAKE_TOOL_LOG")) {
        std::string line = name;
        for (int i = 1; i < argc; ++i)
            line += std::string("|") + argv[i];
        std::ofstream(log, std::ios::app) << line << "\n";
    }
    if (argc < 2)
        return 0;
    const bool copies = name == "pngcrush" && argc >= 3;
    const std::string out = argv[argc - 1];
    const std::string in = copies ? argv[argc - 2] : out;
    const char* shrink = std::getenv("FAKE_TOOL_SHRINK");
    const long long before = sizeOf(in);
    if (before < 0)
        return 1;
    const long long size = std::max(0LL, before - (shrink ? std::atoll(shrink) : 512));
    const std::string content = fakeImage(fakeKindOfPath(out), size);
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    file << content;
    file.close();
    return file ? 0 : 1;
}
