// A re-run over an unchanged corpus folder with Backup Originals on, against the first run: the
// first compresses every file and backs the folder up; the re-run finds every file in the record
// of finished files (in a temporary cache folder), so it must make no backup and cost at most 2%
// of the first run.
//   bench_engine_rerun_backup [FILES]   (default 1000)
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/engine/bench_support.h"
#include "engine/command_runner.h"
#include "engine/compression_job.h"
#include "engine/engine_state.h"

namespace {

constexpr double target = 0.02;

int countOf(const std::string& text, const std::string& piece)
{
    int count = 0;
    for (std::size_t at = 0; (at = text.find(piece, at)) != std::string::npos; at += piece.size())
        ++count;
    return count;
}

int backupFolders(const std::string& scratch)
{
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(scratch))
        if (entry.path().filename().string().rfind("picsBackup_", 0) == 0)
            ++count;
    return count;
}

// Stand-ins for tools that are not installed: they leave the file as it is after about the
// time a real tool needs to start (exiftool's Perl start-up is the longest).
bool installStandIns(const std::string& bin)
{
    bool any = false;
    shell("mkdir -p '" + bin + "'");
    for (const char* tool : {"exiftool", "pngcrush", "optipng"}) {
        if (InterpreterRunner().canFind(tool))
            continue;
        any = true;
        const std::string path = bin + "/" + tool;
        const char* pause = std::string(tool) == "exiftool" ? "0.14" : "0.01";
        shell("printf '#!/bin/sh\\nsleep " + std::string(pause) + "\\n' > '" + path + "'");
        ::chmod(path.c_str(), 0755);
    }
    return any;
}

} // namespace

int main(int argc, char** argv)
{
    const int files = argc > 1 ? std::atoi(argv[1]) : 1000;
    const std::string scratch = makeScratch("tarnwick-rerun-backup");
    const bool standIns = installStandIns(scratch + "/bin");
    const std::string path = scratch + "/bin:" + (std::getenv("PATH") ? std::getenv("PATH") : "");
    setenv("PATH", path.c_str(), 1);
    setenv("XDG_CACHE_HOME", (scratch + "/cache").c_str(), 1);
    unsetenv("COMSPEC");
    const std::string folder = scratch + "/pics";
    shell("mkdir -p '" + folder + "'");
    for (int i = 0; i < files; ++i)
        writeBenchPng(folder + "/image" + std::to_string(i) + ".png", 12 + i % 13, 12 + i % 11, i);
    EngineState state;
    state.options[Option::Full] = true;
    state.options[Option::Strip] = true;
    state.options[Option::Copy] = true;
    state.options[Option::Pngs] = true;
    state.options[Option::HogSystem] = false;

    const JobRequest request{{folder}, state.options.snapshot()};
    KeptSurfaces first;
    const double firstSeconds = secondsFor([&] { runProgramJob(first, state, request); });
    const int backupsAfterFirst = backupFolders(scratch);
    KeptSurfaces second;
    const double secondSeconds = secondsFor([&] { runProgramJob(second, state, request); });
    const int backupsAfterSecond = backupFolders(scratch);
    const int compressed = countOf(first.log(), "Compressing ");
    const int skipped = countOf(second.log(), "Skipping ");
    const bool saidSo =
        second.log().find("Backing up originals... nothing to compress, no backup made") !=
        std::string::npos;
    removeScratch(scratch);

    std::printf("%d small PNGs, Backup Originals on, %s tools, load average %.2f\n", files,
                standIns ? "some stand-in" : "real", loadAverage());
    std::printf("first run %.2f s (%d compressed, %d backup), re-run %.3f s (%d skipped, %d new "
                "backups)\n",
                firstSeconds, compressed, backupsAfterFirst, secondSeconds, skipped,
                backupsAfterSecond - backupsAfterFirst);
    if (skipped != files || backupsAfterFirst != 1 || backupsAfterSecond != 1 || !saidSo) {
        std::printf("FAIL: the re-run skipped %d of %d files and made %d new backups\n", skipped,
                    files, backupsAfterSecond - backupsAfterFirst);
        return 1;
    }
    return report("re-run / first run", secondSeconds / firstSeconds, target, true);
}
