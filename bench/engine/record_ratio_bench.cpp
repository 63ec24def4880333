// A second run over an unchanged folder against the first: 1,000 small PNGs compressed by the
// program's recorded job (real exiftool, pngcrush and OptiPNG where installed, else stand-ins
// that cost what a tool's start-up costs), then the same job again, which finds every file in
// the record of finished files. The second run should cost at most 2% of the first.
//   bench_engine_record_ratio [FILES]   (default 1000)
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
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
    const std::string scratch = makeScratch("tarnwick-record-ratio");
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
    state.options[Option::Copy] = false;
    state.options[Option::Pngs] = true;
    state.options[Option::HogSystem] = false;

    const JobRequest request{{folder}, state.options.snapshot()};
    KeptSurfaces first;
    const double firstSeconds = secondsFor([&] { runProgramJob(first, state, request); });
    KeptSurfaces second;
    const double secondSeconds = secondsFor([&] { runProgramJob(second, state, request); });
    const int compressed = countOf(first.log(), "Compressing ");
    const int skipped = countOf(second.log(), "Skipping ");
    removeScratch(scratch);

    std::printf("%d small PNGs, %s tools, load average %.2f\n", files,
                standIns ? "some stand-in" : "real", loadAverage());
    std::printf("first run %.2f s (%.2f ms per file, %d compressed), second run %.3f s "
                "(%.3f ms per file, %d skipped)\n",
                firstSeconds, firstSeconds * 1000 / files, compressed, secondSeconds,
                secondSeconds * 1000 / files, skipped);
    if (skipped != files) {
        std::printf("FAIL: the second run skipped %d of %d files\n", skipped, files);
        return 1;
    }
    return report("second run / first run", secondSeconds / firstSeconds, target, true);
}
