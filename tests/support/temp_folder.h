// A fresh folder under the system's temporary folder, removed with everything in it at the end.
#pragma once

#include <cstdint>
#include <string>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's absolute path, without a trailing "/".
    const std::string& path() const { return folder; }

    // path() + "/" + relative.
    std::string file(const std::string& relative) const;

private:
    std::string folder;
};

// Writes content to path, creating missing parent folders; false on failure.
bool writeFile(const std::string& path, const std::string& content);

// Writes a file of exactly size bytes (a repeating pattern).
bool writeFileOfSize(const std::string& path, std::int64_t size);

// The whole content of a file, or an empty text when it cannot be read.
std::string readFile(const std::string& path);
