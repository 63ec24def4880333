#include "app/tool_output.h"
#include "app/tool_versions.h"

#include <vector>

#include <windows.h>

#include "engine/tool_runner.h"
#include "platform/process_additions.h"

namespace {

struct Closer {
    HANDLE handle;
    ~Closer()
    {
        if (handle && handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};

} // namespace

std::string firstOutputLine(const std::string& program, const std::vector<std::string>& arguments,
                            std::chrono::milliseconds limit)
{
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherited, 0))
        return std::string();
    Closer reading{readEnd};
    Closer writing{writeEnd};
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    HANDLE nothing = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 &inherited, OPEN_EXISTING, 0, nullptr);
    Closer input{nothing};

    std::string line = quoteArgument(program);
    for (const std::string& argument : arguments)
        line += " " + quoteArgument(argument);
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothing;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    // Started like every tool, in a job that ends with this program, so a probe that hangs
    // cannot outlive it.
    if (!startTool(buffer.data(), 0, &startup, &process))
        return std::string();
    // Only the child holds the write end now, so the pipe ends when it does.
    CloseHandle(writeEnd);
    writing.handle = nullptr;

    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::string output, first;
    bool ended = false;
    while (!takeFirstLine(output, false, first) && output.size() < 65536) {
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        DWORD waiting = 0;
        if (!PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waiting, nullptr)) {
            ended = true; // the child is gone and so is the pipe's other end
            break;
        }
        if (waiting == 0) {
            Sleep(10);
            continue;
        }
        char chunk[4096];
        DWORD got = 0;
        if (!ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) || got == 0) {
            ended = true;
            break;
        }
        output.append(chunk, got);
    }
    // Whatever it still does is of no interest, nor anything it started.
    endTool(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
    closeTool(process);
    takeFirstLine(output, ended, first);
    return first;
}
