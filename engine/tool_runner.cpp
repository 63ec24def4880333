#include "engine/tool_runner.h"

// Only the process half of the Win32 subset: the engine has no windows.
#include "platform/win32/process.h"

#include <cstdlib>
#include <vector>

std::optional<std::string> composeCommandLine(const std::string& interpreter,
                                              const std::string& command,
                                              const std::string& arguments)
{
    std::string line;
    line.reserve(interpreter.size() + 4 + command.size() + 1 + arguments.size());
    line += interpreter;
    line += " /c ";
    line += command;
    if (!arguments.empty()) {
        line += ' ';
        line += arguments;
    }
    if (line.size() + 1 > commandLineBudget)
        return std::nullopt;
    return line;
}

std::string commandInterpreter()
{
    const char* comspec = std::getenv("COMSPEC");
    return comspec ? comspec : "CMD.EXE";
}

std::int32_t runCommand(const std::string& command, const std::string& arguments, bool highPriority)
{
    // A zero byte would silently cut the line short and run something else than asked.
    if (command.find('\0') != std::string::npos || arguments.find('\0') != std::string::npos) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return static_cast<std::int32_t>(ERROR_INVALID_PARAMETER);
    }
    std::optional<std::string> line = composeCommandLine(commandInterpreter(), command, arguments);
    if (!line) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return static_cast<std::int32_t>(ERROR_FILENAME_EXCED_RANGE);
    }
    std::vector<char> buffer(line->begin(), line->end());
    buffer.push_back('\0');

    STARTUPINFOA startup{};
    startup.cb = 68;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    DWORD flags = highPriority ? CREATE_NEW_CONSOLE | HIGH_PRIORITY_CLASS : CREATE_NEW_CONSOLE;
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                        &startup, &process)) {
        return static_cast<std::int32_t>(GetLastError());
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process.hProcess, &exitCode))
        exitCode = 0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<std::int32_t>(exitCode);
}

std::string quoteArgument(const std::string& path)
{
    std::string quoted = "\"";
    std::size_t slashes = 0;
    for (char c : path) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        if (c == '"') {
            quoted.append(slashes * 2 + 1, '\\');
        } else {
            quoted.append(slashes, '\\');
        }
        slashes = 0;
        quoted += c;
    }
    quoted.append(slashes * 2, '\\');
    quoted += '"';
    return quoted;
}
