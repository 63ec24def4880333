#include "support/fake_tools.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "support/fake_image.h"
#include "support/environment.h"
#include "support/temp_folder.h"
#include "util/file_system.h"

FakeTools::FakeTools(const std::string& binFolder, bool systemPath)
    : bin(binFolder), callLog(binFolder + pathSeparator + "calls.log")
{
    std::filesystem::create_directories(bin);
    writeFile(callLog, "");
    if (const char* path = std::getenv("PATH")) {
        hadPath = true;
        savedPath = path;
    }
    const std::string path = searchPath(bin, systemPath);
    setenv("PATH", path.c_str(), 1);
    setenv("FAKE_TOOL_LOG", callLog.c_str(), 1);
    unsetenv("COMSPEC");
}

FakeTools::~FakeTools()
{
    if (hadPath)
        setenv("PATH", savedPath.c_str(), 1);
    else
        unsetenv("PATH");
}

void FakeTools::install(const std::string& name, const std::string& action)
{
    writeTool(name, action, 0);
}

void FakeTools::installPacker(const std::string& action, bool selfTestPasses,
                              const std::string& afterPack)
{
    writeTool("upx", action, selfTestPasses ? 0 : 1, afterPack);
}

void FakeTools::installShrinkingSet(int shrink)
{
    install("pngcrush", crushShrinkAction(shrink));
    install("optipng", shrinkAction(shrink));
    install("pngout", shrinkAction(shrink));
    install("exiftool", shrinkAction(shrink));
    install("upx", shrinkAction(shrink));
}

std::vector<std::string> FakeTools::calls() const
{
    std::vector<std::string> lines;
    std::istringstream in(readFile(callLog));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string setSizeAction(long long size)
{
    return fakeImageCommand() + " " + std::to_string(size) + " \"$FILE\"";
}

std::string shrinkAction(long long bytes)
{
    return fakeImageCommand() + " --shrink " + std::to_string(bytes) + " \"$FILE\"";
}

std::string crushToSizeAction(long long size)
{
    return fakeImageCommand() + " " + std::to_string(size) + " \"$4\"";
}

std::string crushShrinkAction(long long bytes)
{
    return fakeImageCommand() + " --shrink " + std::to_string(bytes) + " \"$3\" \"$4\"";
}
