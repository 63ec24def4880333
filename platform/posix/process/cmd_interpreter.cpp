#include "platform/posix/process/cmd_interpreter.h"

#include "platform/posix/process/builtin_copy.h"
#include "platform/posix/process/command_line.h"
#include "platform/posix/process/last_error.h"
#include "platform/posix/process/program_lookup.h"
#include "platform/posix/process/spawn.h"
#include "platform/process_additions.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace posix_process {
namespace {

// cmd's exit code for a command it cannot find.
constexpr DWORD commandNotFound = 9009;

std::string lowerAscii(std::string_view text)
{
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string currentFolder(const CommandContext& context)
{
    if (!context.workingFolder.empty())
        return context.workingFolder;
    char buffer[4096];
    return ::getcwd(buffer, sizeof buffer) ? buffer : ".";
}

std::string searchPath(const CommandContext& context)
{
    if (!context.environment) {
        const char* path = std::getenv("PATH");
        return path ? path : "";
    }
    for (const std::string& entry : *context.environment) {
        if (entry.rfind("PATH=", 0) == 0)
            return entry.substr(5);
    }
    return "";
}

std::shared_ptr<ProcessObject> spawnFound(const std::string& path,
                                          std::vector<std::string> arguments,
                                          const CommandContext& context, DWORD* error,
                                          bool* spawnFailed)
{
    SpawnRequest request;
    request.path = path;
    request.arguments = std::move(arguments);
    request.environment = context.environment;
    request.workingFolder = context.workingFolder;
    request.highPriority = context.highPriority;
    int spawnError = 0;
    pid_t pid = spawnProgram(request, &spawnError);
    if (pid < 0) {
        *spawnFailed = true;
        *error = win32ErrorFromErrno(spawnError);
        return nullptr;
    }
    *spawnFailed = false;
    return std::make_shared<ProcessObject>(pid);
}

} // namespace

bool isCmdInterpreter(std::string_view programName)
{
    std::size_t cut = programName.find_last_of("/\\");
    std::string base =
        lowerAscii(cut == std::string_view::npos ? programName : programName.substr(cut + 1));
    return base == "cmd" || base == "cmd.exe";
}

std::shared_ptr<ProcessObject> startCmdCommand(std::string_view command,
                                               const CommandContext& context, DWORD* error)
{
    std::vector<CmdArgument> words = splitWindowsCommandLine(command);
    if (words.empty())
        return ProcessObject::finished(0);
    std::vector<CmdArgument> arguments(words.begin() + 1, words.end());

    const std::string& name = words[0].text;
    std::string lowered = lowerAscii(name);
    if (lowered == "copy")
        return ProcessObject::finished(runCopyCommand(arguments, context.workingFolder));
    if (lowered == "xcopy" || lowered == "xcopy.exe") {
        return ProcessObject::finished(runXcopyCommand(arguments, context.workingFolder));
    }

    std::string path;
    std::string pathVariable = searchPath(context);
    if (!findProgram(name, currentFolder(context), pathVariable.c_str(), &path)) {
        return ProcessObject::finished(commandNotFound);
    }
    std::vector<std::string> argv{path};
    for (CmdArgument& argument : arguments)
        argv.push_back(std::move(argument.text));
    bool spawnFailed = false;
    std::shared_ptr<ProcessObject> process =
        spawnFound(path, std::move(argv), context, error, &spawnFailed);
    if (process)
        return process;
    // Out of processes or memory: nothing could run. Anything else is the program's fault, and
    // cmd itself ran and reports it through its exit code.
    if (*error == ERROR_NOT_ENOUGH_MEMORY || *error == ERROR_INVALID_PARAMETER)
        return nullptr;
    return ProcessObject::finished(*error == ERROR_FILE_NOT_FOUND ? commandNotFound : 1);
}

std::shared_ptr<ProcessObject> startCommandLine(const char* applicationName,
                                                std::string_view commandLine,
                                                const CommandContext& context, DWORD* error)
{
    std::size_t restPos = 0;
    CmdArgument first = splitProgramName(commandLine, &restPos);
    std::string program = applicationName ? std::string(applicationName) : first.text;
    if (program.empty()) {
        *error = ERROR_INVALID_PARAMETER;
        return nullptr;
    }

    if (isCmdInterpreter(program)) {
        // Switches up to /c (or /k) belong to the interpreter; the rest is the command.
        std::string_view rest = commandLine.substr(restPos);
        while (!rest.empty()) {
            while (!rest.empty() && isBlank(rest.front()))
                rest.remove_prefix(1);
            if (rest.size() < 2 || rest[0] != '/')
                return ProcessObject::finished(0);
            char letter = rest[1];
            if (letter == 'c' || letter == 'C' || letter == 'k' || letter == 'K') {
                rest.remove_prefix(2);
                return startCmdCommand(rest, context, error);
            }
            while (!rest.empty() && !isBlank(rest.front()))
                rest.remove_prefix(1);
        }
        // No command: an interpreter reading an empty input ends at once.
        return ProcessObject::finished(0);
    }

    std::string path;
    std::string pathVariable = searchPath(context);
    bool found =
        applicationName
            ? findProgram(program.find('/') == std::string::npos ? "./" + program : program,
                          currentFolder(context), nullptr, &path)
            : findProgram(program, currentFolder(context), pathVariable.c_str(), &path);
    if (!found) {
        *error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    std::vector<std::string> argv;
    for (CmdArgument& argument : splitWindowsCommandLine(commandLine))
        argv.push_back(std::move(argument.text));
    if (argv.empty())
        argv.push_back(program);
    argv[0] = path;
    bool spawnFailed = false;
    return spawnFound(path, std::move(argv), context, error, &spawnFailed);
}

} // namespace posix_process

int cmdSystem(const char* command)
{
    if (!command)
        return 1;
    DWORD error = 0;
    std::shared_ptr<posix_process::ProcessObject> process =
        posix_process::startCmdCommand(command, posix_process::CommandContext{}, &error);
    if (!process) {
        SetLastError(error);
        return -1;
    }
    process->wait(INFINITE);
    DWORD code = 0;
    if (!process->exitCode(&code))
        return -1;
    return static_cast<int>(code);
}
