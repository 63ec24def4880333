// Child programs on Windows: CreateProcess with the arguments quoted by the C runtime's rules,
// the output into files of a temporary folder.
#include "support/run_program.h"

#include <vector>

#include <windows.h>

#include "engine/tool_runner.h"
#include "support/temp_folder.h"

namespace {

HANDLE inheritable(const std::string& path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof attributes;
    attributes.bInheritHandle = TRUE;
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &attributes,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

ProgramRun runProgramWithin(int seconds, const std::string& program,
                            const std::vector<std::string>& arguments, const std::string& folder)
{
    TempFolder capture;
    const std::string outPath = capture.file("out");
    const std::string errPath = capture.file("err");

    std::string line = quoteArgument(program);
    for (const std::string& argument : arguments)
        line += " " + quoteArgument(argument);
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');

    ProgramRun run;
    HANDLE in = inheritable("NUL", GENERIC_READ, OPEN_EXISTING);
    HANDLE out = inheritable(outPath, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE err = inheritable(errPath, GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    const BOOL started =
        CreateProcessA(program.c_str(), buffer.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       folder.empty() ? nullptr : folder.c_str(), &startup, &process);
    CloseHandle(in);
    CloseHandle(out);
    CloseHandle(err);
    if (!started)
        return run;
    const DWORD limit = seconds > 0 ? static_cast<DWORD>(seconds) * 1000 : INFINITE;
    if (WaitForSingleObject(process.hProcess, limit) == WAIT_TIMEOUT) {
        run.timedOut = true;
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, INFINITE);
    } else {
        DWORD code = 0;
        if (GetExitCodeProcess(process.hProcess, &code))
            run.exitStatus = static_cast<int>(code);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    run.out = readFile(outPath);
    run.err = readFile(errPath);
    return run;
}
