// Files with permissions, fake tools and environment guards for the process layer's tests;
// temporary folders come from tests/support.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace process_test {

// A file with exactly these permissions.
inline void writeFile(const std::string& path, const std::string& content, mode_t mode)
{
    ::writeFile(path, content);
    ::chmod(path.c_str(), mode);
}

inline bool exists(const std::string& path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

// A shell-script tool: "#!/bin/sh" and the body, executable.
inline void writeTool(const std::string& path, const std::string& body)
{
    writeFile(path, "#!/bin/sh\n" + body + "\n", 0755);
}

// A tool that writes each argument it gets, followed by a zero byte, to recordPath.
inline void writeRecorder(const std::string& path, const std::string& recordPath, int exitCode = 0)
{
    writeTool(path, "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > '" + recordPath +
                        "'\nexit " + std::to_string(exitCode));
}

inline std::vector<std::string> readRecord(const std::string& path)
{
    std::string data = readFile(path);
    std::vector<std::string> result;
    std::size_t start = 0;
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (data[i] == '\0') {
            result.push_back(data.substr(start, i - start));
            start = i + 1;
        }
    }
    return result;
}

// Sets (or with nullopt unsets) an environment variable until the end of the scope.
class EnvironmentGuard {
public:
    EnvironmentGuard(std::string name, const std::optional<std::string>& value)
        : name(std::move(name))
    {
        if (const char* old = std::getenv(this->name.c_str()))
            previous = old;
        if (value) {
            ::setenv(this->name.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(this->name.c_str());
        }
    }
    ~EnvironmentGuard()
    {
        if (previous) {
            ::setenv(name.c_str(), previous->c_str(), 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }
    EnvironmentGuard(const EnvironmentGuard&) = delete;
    EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

private:
    std::string name;
    std::optional<std::string> previous;
};

// Makes a folder the current folder until the end of the scope.
class CurrentFolderGuard {
public:
    explicit CurrentFolderGuard(const std::string& folder)
        : previous(std::filesystem::current_path())
    {
        std::filesystem::current_path(folder);
    }
    ~CurrentFolderGuard() { std::filesystem::current_path(previous); }
    CurrentFolderGuard(const CurrentFolderGuard&) = delete;
    CurrentFolderGuard& operator=(const CurrentFolderGuard&) = delete;

private:
    std::filesystem::path previous;
};

// PATH with a folder put first.
inline std::string pathWithFirst(const std::string& folder)
{
    const char* path = std::getenv("PATH");
    return folder + ":" + (path ? path : "/usr/bin:/bin");
}

} // namespace process_test
