// The strip step on small images with the real exiftool: one exiftool kept open for the job
// against one exiftool per file, in the same run. Kept open, a file should cost at most 15 ms;
// started per file, Perl's start-up alone costs far more.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "bench/engine/bench_support.h"
#include "engine/engine_state.h"
#include "engine/exiftool_session_runner.h"
#include "engine/steps.h"

namespace {

constexpr int fileCount = 40;
constexpr int rounds = 3;
constexpr double targetMilliseconds = 15;

std::string readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> makeImages(const std::string& folder)
{
    shell("mkdir -p '" + folder + "'");
    std::vector<std::string> files;
    for (int i = 0; i < fileCount; ++i) {
        files.push_back(folder + "/image" + std::to_string(i) + ".png");
        writeBenchPng(files.back(), 24 + i % 9, 24 + i % 7, i);
    }
    return files;
}

// Seconds for the strip step on every file, with a runner the job owns when kept is set.
double stripAll(const std::vector<std::string>& files, bool kept)
{
    EngineState state;
    KeptSurfaces surfaces;
    InterpreterRunner runner;
    ContentChecker checker(runner);
    return secondsFor([&] {
        std::unique_ptr<ToolRunner> session;
        if (kept)
            session = std::make_unique<ExiftoolSessionRunner>(runner);
        const JobContext job{surfaces, state, session ? *session : runner, checker};
        for (const std::string& file : files)
            runStep(job, stripStep, file, StepMode{false, false}, CheckKind::Image);
    });
}

// Seconds for exiftool alone on every file (no work copy, no check).
double toolAll(const std::vector<std::string>& files, bool kept)
{
    InterpreterRunner interpreter;
    return secondsFor([&] {
        std::unique_ptr<ToolRunner> session;
        if (kept)
            session = std::make_unique<ExiftoolSessionRunner>(interpreter);
        ToolRunner& runner = session ? *session : interpreter;
        for (const std::string& file : files)
            runner.run(ToolRun{stepCommand(stripStep, file)});
    });
}

} // namespace

int main()
{
    if (!InterpreterRunner().canFind("exiftool")) {
        std::printf("exiftool is not installed: nothing to measure\n");
        return 0;
    }
    const std::string scratch = makeScratch("tarnwick-strip-session");
    std::vector<double> single, kept, toolSingle, toolKept;
    std::vector<double> cpuSingle, cpuKept;
    int different = 0;
    int unstripped = 0;
    // Rounds alternate the two forms so that a busy machine disturbs both alike.
    for (int round = 0; round < rounds; ++round) {
        const std::string base = scratch + "/" + std::to_string(round);
        const std::vector<std::string> alone = makeImages(base + "/single");
        const std::vector<std::string> together = makeImages(base + "/kept");
        double cpu = cpuSeconds();
        single.push_back(stripAll(alone, false) * 1000 / fileCount);
        cpuSingle.push_back((cpuSeconds() - cpu) * 1000 / fileCount);
        cpu = cpuSeconds();
        kept.push_back(stripAll(together, true) * 1000 / fileCount);
        cpuKept.push_back((cpuSeconds() - cpu) * 1000 / fileCount);
        toolSingle.push_back(toolAll(makeImages(base + "/tool-single"), false) * 1000 / fileCount);
        toolKept.push_back(toolAll(makeImages(base + "/tool-kept"), true) * 1000 / fileCount);
        for (int i = 0; i < fileCount; ++i) {
            const std::string result = readWholeFile(together[i]);
            different += result != readWholeFile(alone[i]);
            unstripped += result.find("benchmark image") != std::string::npos;
        }
    }
    std::printf("strip step per file: one exiftool per file %.1f ms, kept open %.1f ms "
                "(medians of %d rounds of %d files); load average %.2f\n",
                median(single), median(kept), rounds, fileCount, loadAverage());
    std::printf("processor time of the strip step per file: one per file %.1f ms, kept open "
                "%.1f ms (a busy machine stretches wall times, hardly these)\n",
                median(cpuSingle), median(cpuKept));
    std::printf("exiftool alone per file: one per file %.1f ms, kept open %.1f ms\n",
                median(toolSingle), median(toolKept));
    std::printf("kept open / per file: %.3f (step), %.3f (exiftool alone)\n",
                median(kept) / median(single), median(toolKept) / median(toolSingle));
    removeScratch(scratch);
    if (different > 0 || unstripped > 0) {
        std::printf("FAIL: %d results differ from the single runs', %d kept their metadata\n",
                    different, unstripped);
        return 1;
    }
    return report("strip step ms per file, kept open", median(kept), targetMilliseconds, true);
}
