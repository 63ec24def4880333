// A stand-in for the program in tests that kill it: starts a tool through CreateProcessA, or
// reports how a child started through CreateProcessA finds its signals.
//   tool_holder hold PID_FILE COMMAND_LINE  starts the tool, writes its pid, waits for it
//   tool_holder hold-forked PID_FILE COMMAND_LINE  the same through a keeper forked for it
//   tool_holder signals OUT_FILE             writes its own SigBlk and SigIgn lines
#include "platform/posix/process/kept_keepers.h"
#include "platform/win32/process.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace {

int hold(const std::string& pidFile, std::string commandLine)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE,
                        nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "tool_holder: CreateProcessA failed: %u\n", GetLastError());
        return 2;
    }
    // Written whole, then renamed: the test never reads half a number.
    std::string partial = pidFile + ".partial";
    std::ofstream(partial) << process.dwProcessId << '\n';
    std::rename(partial.c_str(), pidFile.c_str());
    WaitForSingleObject(process.hProcess, INFINITE);
    return 0;
}

int signals(const std::string& outFile)
{
    std::ifstream status("/proc/self/status");
    std::ofstream out(outFile);
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("SigBlk:", 0) == 0 || line.rfind("SigIgn:", 0) == 0)
            out << line << '\n';
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "hold" && argc == 4)
        return hold(argv[2], argv[3]);
    if (mode == "hold-forked" && argc == 4) {
        posix_process::allowKeptKeepers(false);
        return hold(argv[2], argv[3]);
    }
    if (mode == "signals" && argc == 3)
        return signals(argv[2]);
    std::fprintf(stderr,
                 "usage: tool_holder hold[-forked] PID_FILE COMMAND_LINE | signals OUT_FILE\n");
    return 2;
}
