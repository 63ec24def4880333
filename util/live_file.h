// Owner of one C stream, opened by a numbered mode, plus the free function fileSize.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Modes: 0 "w", 1 "r", 2 "r+", 3 "w+", 4 "a+", 5 "wb", 6 "rb", 7 "r+b", 8 "w+b", 9 "a+b".
// The text modes 0-4 pass bytes through exactly like 5-9 (no CR LF is written or removed): on
// Linux the C library does no line-end translation, on Windows they open in binary too.
constexpr int fileModeWrite = 0;             // "w"
constexpr int fileModeRead = 1;              // "r"
constexpr int fileModeUpdate = 2;            // "r+"
constexpr int fileModeWriteUpdate = 3;       // "w+"
constexpr int fileModeAppendRead = 4;        // "a+"
constexpr int fileModeWriteBinary = 5;       // "wb"
constexpr int fileModeReadBinary = 6;        // "rb"
constexpr int fileModeUpdateBinary = 7;      // "r+b"
constexpr int fileModeWriteUpdateBinary = 8; // "w+b"
constexpr int fileModeAppendReadBinary = 9;  // "a+b"

class liveFile {
public:
    // Opens path with the mode's string; any other code opens nothing (stream stays null).
    liveFile(const std::string& path, int mode);
    liveFile(const char* path, int mode);
    // Closes (and so flushes) the stream when one is open.
    virtual ~liveFile();
    liveFile(const liveFile&) = delete;
    liveFile& operator=(const liveFile&) = delete;

    // Everything from the stream's position to its end; empty when no stream is open.
    std::string readAll();
    // The size of the file at path in bytes, -1 when it cannot be examined.
    std::int64_t getSize() const;
    // Empties the file and opens it again in the wrapper's own mode; the new stream or null.
    std::FILE* reopenTruncated();

    std::FILE* stream = nullptr;
    std::string path;
    std::int32_t openMode = 0;
};

// The size of path in bytes, -1 when nothing exists there. A folder counts as existing.
std::int64_t fileSize(const std::string& path);
