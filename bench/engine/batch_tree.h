// The big batch both batch benchmarks hand the program: small, distinct PNGs in folders of 100,
// with a no-op program standing in for every tool a PNG's steps call, so only orchestration
// costs time.
#pragma once

#include <string>
#include <vector>

// The number of files asked for by the first argument or TARNWICK_BENCH_FILES, else fallback;
// rounded down to a multiple of 1,000 (at least 1,000) so the tree splits into ten equal parts.
long long batchFileCount(int argc, char** argv, long long fallback);

// Writes files PNGs (1x1, each pixel different, so the finished-file record, keyed by content,
// skips none) under root/partP/dirD/fileF.png: ten parts of files/1000 folders each. Returns the
// ten part folders; empty on failure.
std::vector<std::string> writeBatchTree(const std::string& root, long long files);

// Every file of the tree, in a walk's order, one per line (or NUL-terminated when nul).
bool writeBatchList(const std::string& listPath, const std::vector<std::string>& parts,
                    long long partsUsed, bool nul);

// The programs a PNG's steps call (strip, three passes), each a copy of program.
const std::vector<std::string>& pngToolNames();
bool installTools(const std::string& folder, const std::string& program);
// The same names as shell scripts that add a line to countFile per call.
bool installCountingTools(const std::string& folder, const std::string& countFile);

// A copy of program in folder with a settings file of its own (settings: the file's JSON text),
// so neither the build's nor the user's settings change what a run does. Its path; empty on
// failure.
std::string privateProgram(const std::string& program, const std::string& folder,
                           const std::string& settings);

// posix_spawn + waitpid of program, count times; seconds taken.
double bareSpawnLoop(const std::string& program, long long count);

// Lines of a file (0 when it cannot be read).
long long lineCount(const std::string& path);
// Lines of a file that start with prefix.
long long linesStartingWith(const std::string& path, const std::string& prefix);
