// The command interpreter on Windows is the system's own, COMSPEC, run hidden like a tool.
#include "platform/process_additions.h"

#include <cstdlib>
#include <vector>

namespace {

std::string interpreterPath()
{
    const char* comspec = std::getenv("COMSPEC");
    return comspec && *comspec ? comspec : "cmd.exe";
}

} // namespace

int cmdSystem(const char* command)
{
    const std::string interpreter = interpreterPath();
    if (!command) {
        const DWORD attributes = GetFileAttributesA(interpreter.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES ? 1 : 0;
    }
    // /s: the interpreter drops exactly the outer pair of quotes, so the command arrives as it is
    // whatever quotes it holds itself.
    std::string line = "\"" + interpreter + "\" /s /c \"" + command + "\"";
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    if (!startTool(buffer.data(), 0, &startup, &process))
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 0;
    const bool known = GetExitCodeProcess(process.hProcess, &exitCode) != 0;
    closeTool(process);
    return known ? static_cast<int>(exitCode) : -1;
}
