#include "bench/engine/batch_tree.h"

#include "bench/engine/bench_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

extern char** environ;

namespace {

constexpr long long filesPerFolder = 100;

// A 1x1 PNG whose one pixel comes from seed, so that no two files of a folder are the same.
std::string tinyPng(std::uint32_t seed)
{
    const std::string row{'\0', static_cast<char>(seed & 0xff), static_cast<char>(seed >> 8),
                          static_cast<char>(seed >> 16)};
    return rgbPngBytes(1, 1, row, 9, "");
}

// Plain write(2): a hundred thousand ofstreams cost more than the run they prepare.
bool writeWhole(const std::string& path, const std::string& content)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written =
        ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    return ::close(fd) == 0 && written;
}

std::string folderName(const std::string& part, long long folder)
{
    char name[32];
    std::snprintf(name, sizeof name, "/dir%04lld", folder);
    return part + name;
}

std::string fileName(const std::string& folder, long long file)
{
    char name[32];
    std::snprintf(name, sizeof name, "/file%03lld.png", file);
    return folder + name;
}

} // namespace

long long batchFileCount(int argc, char** argv, long long fallback)
{
    long long files = fallback;
    const char* fromEnvironment = std::getenv("TARNWICK_BENCH_FILES");
    if (argc > 1)
        files = std::atoll(argv[1]);
    else if (fromEnvironment && *fromEnvironment)
        files = std::atoll(fromEnvironment);
    return std::max(1000LL, files / 1000 * 1000);
}

std::vector<std::string> writeBatchTree(const std::string& root, long long files)
{
    const long long foldersPerPart = files / filesPerFolder / 10;
    std::vector<std::string> parts;
    std::uint32_t seed = 0;
    for (int p = 0; p < 10; ++p) {
        const std::string part = root + "/part" + std::to_string(p);
        for (long long d = 0; d < foldersPerPart; ++d) {
            const std::string folder = folderName(part, d);
            std::error_code error;
            std::filesystem::create_directories(folder, error);
            for (long long f = 0; f < filesPerFolder; ++f)
                if (!writeWhole(fileName(folder, f), tinyPng(++seed)))
                    return {};
        }
        parts.push_back(part);
    }
    return parts;
}

bool writeBatchList(const std::string& listPath, const std::vector<std::string>& parts,
                    long long partsUsed, bool nul)
{
    std::ofstream list(listPath, std::ios::binary);
    for (long long p = 0; p < partsUsed && p < static_cast<long long>(parts.size()); ++p) {
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(parts[p]))
            if (entry.is_regular_file())
                files.push_back(entry.path().string());
        std::sort(files.begin(), files.end());
        for (const std::string& file : files)
            list << file << (nul ? '\0' : '\n');
    }
    return static_cast<bool>(list.flush());
}

const std::vector<std::string>& pngToolNames()
{
    static const std::vector<std::string> names{"exiftool", "pngcrush", "optipng", "pngout"};
    return names;
}

bool installTools(const std::string& folder, const std::string& program)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    for (const std::string& name : pngToolNames()) {
        std::filesystem::copy_file(program, folder + "/" + name,
                                   std::filesystem::copy_options::overwrite_existing, error);
        if (error)
            return false;
    }
    return true;
}

bool installCountingTools(const std::string& folder, const std::string& countFile)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    for (const std::string& name : pngToolNames()) {
        const std::string path = folder + "/" + name;
        if (!writeWhole(path, "#!/bin/sh\necho \"$0\" >> '" + countFile + "'\n") ||
            ::chmod(path.c_str(), 0755) != 0)
            return false;
    }
    return true;
}

std::string privateProgram(const std::string& program, const std::string& folder,
                           const std::string& settings)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::string copy = folder + "/tarnwick";
    std::filesystem::copy_file(program, copy, std::filesystem::copy_options::overwrite_existing,
                               error);
    if (error || !writeWhole(folder + "/Tarnwick.config", settings))
        return std::string();
    return copy;
}

double bareSpawnLoop(const std::string& program, long long count)
{
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    const auto start = std::chrono::steady_clock::now();
    for (long long i = 0; i < count; ++i) {
        pid_t pid;
        if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0)
            return -1;
        int status;
        while (::waitpid(pid, &status, 0) < 0)
            ;
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

long long lineCount(const std::string& path)
{
    return linesStartingWith(path, "");
}

long long linesStartingWith(const std::string& path, const std::string& prefix)
{
    std::ifstream in(path, std::ios::binary);
    long long count = 0;
    for (std::string line; std::getline(in, line);)
        if (line.starts_with(prefix))
            ++count;
    return count;
}
