// A fresh folder under the system's temporary folder, removed with everything in it at the end,
// and small helpers for the files the tests put in it. The one temporary folder of every test.
#pragma once

#include <cstdint>
#include <string>

class TempFolder {
public:
    // Throws std::runtime_error when no folder can be made.
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's absolute path, without a trailing "/".
    const std::string& path() const { return folder; }

    // path() + "/" + relative; on Windows with a backslash, and relative's "/" become backslashes.
    std::string path(const std::string& relative) const;
    std::string file(const std::string& relative) const { return path(relative); }
    std::string operator/(const std::string& relative) const { return path(relative); }

    // Writes a file below the folder, creating the folders above it; its full path.
    std::string write(const std::string& relative, const std::string& content = "x") const;
    // Creates a folder below the folder (and those above it); its full path.
    std::string makeFolder(const std::string& relative) const;

private:
    std::string folder;
};

// Writes content to path, creating missing parent folders; false on failure.
bool writeFile(const std::string& path, const std::string& content);

// Writes a file of exactly size bytes: for a suffix of an image kind (and .exe/.dll), a valid
// file showing that kind's fixed picture when size allows (see fake_image.h); otherwise a
// repeating pattern.
bool writeFileOfSize(const std::string& path, std::int64_t size);

// The whole content of a file, or an empty text when it cannot be read.
std::string readFile(const std::string& path);
