#include "platform/kept_tool.h"

#include <cstdlib>

#include "platform/posix/process/command_line.h"
#include "platform/posix/process/piped_child.h"
#include "platform/posix/process/program_lookup.h"

struct KeptTool::Process {
    posix_process::PipedChild child;
};

KeptTool::KeptTool() : process(std::make_unique<Process>()) {}

KeptTool::~KeptTool() = default;

bool KeptTool::start(const std::string& program, const std::vector<std::string>& arguments,
                     bool highPriority)
{
    posix_process::SpawnRequest request;
    request.path = program;
    request.arguments = arguments;
    request.highPriority = highPriority;
    int error = 0;
    return process->child.start(request, &error);
}

bool KeptTool::running() const
{
    return process->child.running();
}

bool KeptTool::send(std::string_view text)
{
    return process->child.send(text);
}

KeptTool::Read KeptTool::readLine(std::string* line, std::chrono::milliseconds wait)
{
    switch (process->child.readLine(line, wait)) {
    case posix_process::PipedChild::Read::line:
        return Read::line;
    case posix_process::PipedChild::Read::waiting:
        return Read::waiting;
    case posix_process::PipedChild::Read::closed:
        break;
    }
    return Read::closed;
}

int KeptTool::finish(std::chrono::milliseconds grace)
{
    return process->child.finish(grace);
}

void KeptTool::kill()
{
    process->child.kill();
}

std::vector<std::string> commandWords(std::string_view command)
{
    std::vector<std::string> words;
    for (posix_process::CmdArgument& word : posix_process::splitWindowsCommandLine(command))
        words.push_back(std::move(word.text));
    return words;
}

bool findProgramFrom(const std::string& program, const std::string& folder, std::string* path)
{
    return posix_process::findProgram(program, folder, std::getenv("PATH"), path);
}
