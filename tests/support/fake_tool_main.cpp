// A stand-in optimizer as a program of its own, for systems without a shell to script one: it
// records its call ("NAME|ARG|ARG..." in FAKE_TOOL_LOG when set) and then does what the side
// file NAME.action beside it says (fake_tool_script.h). Without that file it writes the same
// picture FAKE_TOOL_SHRINK bytes (default 512) smaller: pngcrush from its second last argument
// into its last, the others in place into their last. Its name is the one it was started by, so
// one program copied as pngcrush.exe, optipng.exe ... serves for all. upx -t passes unrecorded,
// or ends with the status in upx.selftest beside it; upx -d -o OUT IN (unrecorded) gives back
// what was packed into exactly IN's bytes, and upx.afterpack runs after packing. Windows only:
// Linux scripts its fakes.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "support/fake_image.h"
#include "support/fake_tool_script.h"

#include <windows.h>

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

// The text of the side file `suffix` beside the program, if there is one. The program's own
// path, since the name it was started by may carry no folder.
bool sideFile(const std::string& name, const std::string& suffix, std::string& text)
{
    char started[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameA(nullptr, started, sizeof started);
    if (length == 0 || length >= sizeof started)
        return false;
    const std::filesystem::path folder =
        std::filesystem::path(std::string(started, length)).parent_path();
    std::ifstream in(folder / (name + suffix), std::ios::binary);
    if (!in)
        return false;
    std::ostringstream content;
    content << in.rdbuf();
    text = content.str();
    return true;
}

// Without a side file: the same picture smaller by FAKE_TOOL_SHRINK bytes.
int shrink(const std::string& name, int argc, char** argv)
{
    if (argc < 2)
        return 0;
    const bool copies = name == "pngcrush" && argc >= 3;
    const std::string out = argv[argc - 1];
    const std::string in = copies ? argv[argc - 2] : out;
    const char* bytes = std::getenv("FAKE_TOOL_SHRINK");
    const long long before = sizeOf(in);
    if (before < 0)
        return 1;
    const long long size = std::max(0LL, before - (bytes ? std::atoll(bytes) : 512));
    const std::string content = fakeImage(fakeKindOfPath(out), size);
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    file << content;
    file.close();
    return file ? 0 : 1;
}

// Appends text in one write through a handle opened for appending only, which the system
// places at the end atomically: fakes started side by side never overwrite each other's line,
// as a seek to the end and then a write could.
void appendLine(const char* path, const std::string& text)
{
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

std::string contentOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Where packing keeps the file it packed, under the packed bytes' hash.
std::filesystem::path packedStash(const std::string& packed)
{
    char started[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameA(nullptr, started, sizeof started);
    const std::filesystem::path folder =
        std::filesystem::path(std::string(started, length)).parent_path();
    return folder / ("upx-packed-" + std::to_string(std::hash<std::string>{}(packed)));
}

int unpack(int argc, char** argv)
{
    std::string out;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "-o") == 0)
            out = argv[i + 1];
    std::ifstream kept(packedStash(contentOf(argv[argc - 1])), std::ios::binary);
    if (!kept || out.empty())
        return 1;
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    file << kept.rdbuf();
    file.close();
    return file ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string name = toolName(argv[0]);
    std::string text;
    if (name == "upx" && argc > 1 && std::strcmp(argv[1], "-t") == 0)
        return sideFile(name, ".selftest", text) ? std::atoi(text.c_str()) : 0;
    if (name == "upx" && argc > 2 && std::strcmp(argv[1], "-d") == 0)
        return unpack(argc, argv);
    if (const char* log = std::getenv("FAKE_TOOL_LOG")) {
        std::string line = name;
        for (int i = 1; i < argc; ++i)
            line += std::string("|") + argv[i];
        appendLine(log, line + "\n");
    }
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const std::string original = name == "upx" && argc > 1 ? contentOf(argv[argc - 1]) : "";
    const int status = sideFile(name, ".action", text)
                           ? runFakeToolScript(text, arguments, std::cerr)
                           : shrink(name, argc, argv);
    if (name != "upx" || argc < 2)
        return status;
    std::ofstream(packedStash(contentOf(argv[argc - 1])), std::ios::binary) << original;
    if (sideFile(name, ".afterpack", text))
        runFakeToolScript(text, arguments, std::cerr);
    return status;
}
