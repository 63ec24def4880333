#include "engine/tool_runner.h"

// Only the process half of the Win32 subset: the engine has no windows.
#include "platform/process_additions.h"

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

namespace {

// The waits between looks at the time limit and the abort flag.
constexpr DWORD pollMilliseconds = 50;

// Starts the interpreter on the command hidden; false with the system error code in error.
bool startCommand(const std::string& command, const std::string& arguments, bool highPriority,
                  PROCESS_INFORMATION& process, std::int32_t& error)
{
    // A zero byte would silently cut the line short and run something else than asked.
    if (command.find('\0') != std::string::npos || arguments.find('\0') != std::string::npos) {
        SetLastError(ERROR_INVALID_PARAMETER);
        error = static_cast<std::int32_t>(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::optional<std::string> line = composeCommandLine(commandInterpreter(), command, arguments);
    if (!line) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        error = static_cast<std::int32_t>(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    std::vector<char> buffer(line->begin(), line->end());
    buffer.push_back('\0');

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    DWORD flags = highPriority ? CREATE_NEW_CONSOLE | HIGH_PRIORITY_CLASS : CREATE_NEW_CONSOLE;
    if (!startTool(buffer.data(), flags, &startup, &process)) {
        error = static_cast<std::int32_t>(GetLastError());
        return false;
    }
    return true;
}

std::int32_t finishCommand(PROCESS_INFORMATION& process)
{
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process.hProcess, &exitCode))
        exitCode = 0;
    closeTool(process);
    return static_cast<std::int32_t>(exitCode);
}

} // namespace

std::int32_t runCommand(const std::string& command, const std::string& arguments, bool highPriority)
{
    PROCESS_INFORMATION process{};
    std::int32_t error = 0;
    if (!startCommand(command, arguments, highPriority, process, error))
        return error;
    WaitForSingleObject(process.hProcess, INFINITE);
    return finishCommand(process);
}

RunOutcome runCommandWithin(const std::string& command, bool highPriority,
                            std::chrono::milliseconds timeLimit, const std::atomic<bool>* abort)
{
    PROCESS_INFORMATION process{};
    RunOutcome outcome;
    if (!startCommand(command, "", highPriority, process, outcome.code)) {
        outcome.end = RunEnd::NotStarted;
        return outcome;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeLimit;
    const bool limited = timeLimit.count() > 0;
    for (;;) {
        const DWORD slice = limited || abort ? pollMilliseconds : INFINITE;
        if (WaitForSingleObject(process.hProcess, slice) != WAIT_TIMEOUT)
            break;
        if (abort && *abort)
            outcome.end = RunEnd::Aborted;
        else if (limited && std::chrono::steady_clock::now() >= deadline)
            outcome.end = RunEnd::TimedOut;
        else
            continue;
        // It may have ended just now by itself; the wait below tells either way.
        endTool(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, INFINITE);
        break;
    }
    outcome.code = finishCommand(process);
    return outcome;
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
