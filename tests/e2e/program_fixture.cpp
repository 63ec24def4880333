#include "program_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <regex>
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
    static const std::regex time(R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d (AM|PM))");
    return line.starts_with(prefix) && std::regex_match(line.substr(prefix.size()), time);
}
