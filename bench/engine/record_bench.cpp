// What a second run pays per unchanged file to learn it is finished: hashing its content and one
// look-up in the record, against merely stat'ing it, over 1,000 small files of 2 KB. A first run
// with real tools costs 10 ms or more per file, and a second run should cost at most 2% of that:
// the look-up must stay well under 200 us per file.
#include <cstdio>
#include <sys/stat.h>

#include "bench/engine/bench_support.h"
#include "engine/finished_record.h"

namespace {

constexpr int fileCount = 1000;
constexpr int fileSize = 2048;
constexpr int rounds = 5;
constexpr double targetMicroseconds = 200;

bool writeSmallFile(const std::string& path, int seed)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    for (int i = 0; i < fileSize; ++i)
        std::fputc((seed * 31 + i * 7) & 0xff, file);
    std::fputc(seed & 0xff, file);
    std::fputc(seed >> 8, file);
    return std::fclose(file) == 0;
}

} // namespace

int main()
{
    const std::string scratch = makeScratch("tarnwick-record-bench");
    if (scratch.empty()) {
        std::fprintf(stderr, "cannot make a scratch folder\n");
        return 1;
    }
    std::vector<std::string> files;
    for (int i = 0; i < fileCount; ++i) {
        files.push_back(scratch + "/image" + std::to_string(i) + ".png");
        if (!writeSmallFile(files.back(), i)) {
            std::fprintf(stderr, "cannot write %s\n", files.back().c_str());
            removeScratch(scratch);
            return 1;
        }
    }
    const std::string database = scratch + "/cache/tarnwick/finished.sqlite";
    const std::string setup = setupKey(
        true, false, false,
        {"/usr/bin/pngcrush", "/usr/bin/optipng", "", "/usr/bin/exiftool", "/usr/bin/upx"});

    // The first run's own bookkeeping: hash each finished file and mark it.
    const double markSeconds = secondsFor([&] {
        SqliteRecord record(database);
        for (const std::string& file : files)
            record.markFinished(contentHash(file), setup);
    });

    std::vector<double> statSeconds;
    std::vector<double> lookupSeconds;
    int missed = 0;
    for (int round = 0; round < rounds; ++round) {
        statSeconds.push_back(secondsFor([&] {
            for (const std::string& file : files) {
                struct stat status;
                missed += ::stat(file.c_str(), &status) != 0;
            }
        }));
        // A fresh record each round: a run opens it once, so opening is part of the cost.
        lookupSeconds.push_back(secondsFor([&] {
            SqliteRecord record(database);
            for (const std::string& file : files)
                missed += !record.isFinished(contentHash(file), setup);
        }));
    }
    removeScratch(scratch);
    if (missed > 0) {
        std::printf("FAIL: %d look-ups did not find a finished file\n", missed);
        return 1;
    }

    const double perFile = 1e6 / fileCount;
    const double lookup = median(lookupSeconds) * perFile;
    std::printf("stat only: %.1f us per file; hash + mark (first run): %.1f us per file\n",
                median(statSeconds) * perFile, markSeconds * perFile);
    const bool pass = lookup < targetMicroseconds;
    std::printf("finished-file lookup: %.1f us per file (target < %.0f us): %s\n", lookup,
                targetMicroseconds, pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
}
