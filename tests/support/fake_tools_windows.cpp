// The Windows fakes: the fake tool program (fake_tool_main.cpp) copied under each tool's name,
// with its action in a side file beside it, which the program runs itself (fake_tool_script.h).
#include "support/fake_tools.h"

#include <cstdlib>
#include <filesystem>

#include <windows.h>

#include "support/environment.h"
#include "support/temp_folder.h"

namespace {

// The system's folders, for the interpreter's own lookups.
std::string systemFolders()
{
    char system[MAX_PATH + 1];
    char windows[MAX_PATH + 1];
    const UINT systemLength = GetSystemDirectoryA(system, sizeof system);
    const UINT windowsLength = GetWindowsDirectoryA(windows, sizeof windows);
    std::string folders;
    if (systemLength > 0 && systemLength <= MAX_PATH)
        folders += ";" + std::string(system, systemLength);
    if (windowsLength > 0 && windowsLength <= MAX_PATH)
        folders += ";" + std::string(windows, windowsLength);
    return folders;
}

} // namespace

std::string FakeTools::searchPath(const std::string& bin, bool systemPath)
{
    return systemPath ? bin + systemFolders() : bin;
}

void FakeTools::writeTool(const std::string& name, const std::string& action, int selfTestStatus,
                          const std::string& afterPack)
{
    std::filesystem::copy_file(TARNWICK_FAKE_TOOL, bin + "\\" + name + ".exe",
                               std::filesystem::copy_options::overwrite_existing);
    writeFile(bin + "\\" + name + ".action", action + "\n");
    if (name == "upx") {
        writeFile(bin + "\\upx.selftest", std::to_string(selfTestStatus));
        writeFile(bin + "\\upx.afterpack", afterPack + "\n");
    }
}
