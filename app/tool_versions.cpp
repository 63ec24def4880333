#include "app/tool_versions.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "engine/command_runner.h"
#include "engine/steps.h"
#include "platform/win32/process.h"

namespace {

struct KnownTool {
    const char* shown;
    const char* command;
    std::vector<std::string> versionArguments; // pngout has no version flag: its usage says it
};

// The engine's names and command words, in the order --tools lists them.
const KnownTool knownTools[] = {
    {"exiftool", "exiftool", {"-ver"}}, {"pngcrush", "pngcrush.exe", {"-version"}},
    {"OptiPNG", "OptiPNG", {"-v"}},     {"pngout", "pngout", {}},
    {"upx", "upx.exe", {"--version"}},
};

std::string trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The first non-blank complete line of text, or of its unterminated end when final is set.
bool takeFirstLine(const std::string& text, bool final, std::string& line)
{
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            line = final ? trimmed(text.substr(start)) : std::string();
            return !line.empty();
        }
        line = trimmed(text.substr(start, end - start));
        if (!line.empty())
            return true;
        start = end + 1;
    }
}

} // namespace

std::string firstOutputLine(const std::string& program, const std::vector<std::string>& arguments,
                            std::chrono::milliseconds limit)
{
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        return std::string();
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    const pid_t child = fork();
    if (child == 0) {
        setpgid(0, 0);
        const int nothing = open("/dev/null", O_RDONLY);
        dup2(nothing, STDIN_FILENO);
        dup2(pipeEnds[1], STDOUT_FILENO);
        dup2(pipeEnds[1], STDERR_FILENO);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    if (child < 0) {
        close(pipeEnds[0]);
        return std::string();
    }

    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::string output, line;
    bool ended = false;
    while (!takeFirstLine(output, false, line) && output.size() < 65536) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd waiting{pipeEnds[0], POLLIN, 0};
        if (poll(&waiting, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char buffer[4096];
        const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
        if (got <= 0) {
            ended = true;
            break;
        }
        output.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeEnds[0]);
    // Whatever it still does is of no interest: its group goes, including anything it started.
    kill(-child, SIGKILL);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    takeFirstLine(output, ended, line);
    return line;
}

std::vector<ToolReport> findTools(std::chrono::milliseconds limit)
{
    std::vector<ToolReport> tools;
    for (const KnownTool& known : knownTools) {
        ToolReport tool{known.shown, known.command, "", ""};
        if (cmdFindProgram(tool.command, &tool.path))
            tool.version = firstOutputLine(tool.path, known.versionArguments, limit);
        else
            tool.path.clear();
        const ToolName* standIn =
            tool.path.empty()
                ? standInFor(interpreterRunner(), ToolName{known.shown, known.command})
                : nullptr;
        if (standIn && cmdFindProgram(standIn->command, &tool.standInPath)) {
            tool.standIn = standIn->shown;
            // Its usage's first line names it; it has no version flag.
            tool.standInVersion = firstOutputLine(tool.standInPath, {}, limit);
        }
        tools.push_back(tool);
    }
    return tools;
}

std::string toolsText(const std::vector<ToolReport>& tools)
{
    std::size_t nameWidth = 0, pathWidth = 0;
    for (const ToolReport& tool : tools) {
        nameWidth = std::max(nameWidth, tool.shown.size());
        pathWidth = std::max(pathWidth, tool.path.size());
    }
    std::string text;
    for (const ToolReport& tool : tools) {
        std::string line = tool.shown + std::string(nameWidth - tool.shown.size() + 2, ' ');
        if (tool.path.empty()) {
            line += "missing";
            if (!tool.standIn.empty()) {
                line += "; " + tool.standIn + " stands in: " + tool.standInPath;
                if (!tool.standInVersion.empty())
                    line += "  " + tool.standInVersion;
            }
        } else {
            line += tool.path;
            if (!tool.version.empty())
                line += std::string(pathWidth - tool.path.size() + 2, ' ') + tool.version;
        }
        text += line + "\n";
    }
    return text;
}
