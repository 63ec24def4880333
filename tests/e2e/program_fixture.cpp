#include "program_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <unistd.h>

ProgramTest::ProgramTest()
{
    std::filesystem::create_directories(programFolder());
    std::filesystem::copy_file(TARNWICK_PROGRAM, programFolder() + "/tarnwick");
}

ProgramRun ProgramTest::run(const std::vector<std::string>& arguments, const std::string& folder)
{
    return runProgram(programFolder() + "/tarnwick", arguments,
                      folder.empty() ? temp.path() : folder);
}

ProgramRun ProgramTest::runWithin(int seconds, const std::vector<std::string>& arguments,
                                  const std::string& folder)
{
    return runProgramWithin(seconds, programFolder() + "/tarnwick", arguments,
                            folder.empty() ? temp.path() : folder);
}

std::string findOnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = folder + "/" + name;
        if (!folder.empty() && access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return std::string();
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

bool isStampLine(const std::string& line, const std::string& prefix)
{
    // "12/07/2026 02:05:09 PM": 9 stands for a digit.
    const std::string shape = "99/99/9999 99:99:99 ?M";
    if (!line.starts_with(prefix) || line.size() != prefix.size() + shape.size())
        return false;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        const char c = line[prefix.size() + i];
        const bool fits = shape[i] == '9'   ? c >= '0' && c <= '9'
                          : shape[i] == '?' ? c == 'A' || c == 'P'
                                            : c == shape[i];
        if (!fits)
            return false;
    }
    return true;
}
