// The worker pool with the real tools: a corpus of real PNGs compressed by the whole engine job
// (exiftool, pngcrush, OptiPNG; pngout where installed) one by one and with HogSystem, against a
// control measured in the same run: as many independent CPU-bound processes (OptiPNG -o7
// -simulate on each image) one after another and as many side by side as the pool has workers.
// The pool should be at least 1.8 times as fast on 2 cores; the control shows what the machine
// gives at the moment.
//   bench_engine_pool [FILES [ROUNDS]]   (default 24 files, 2 rounds)
#include <cstdio>
#include <functional>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench/engine/bench_support.h"
#include "engine/command_runner.h"
#include "engine/compression_job.h"
#include "engine/engine_state.h"
#include "engine/worker_pool.h"

namespace {

// Wall seconds of work, and how many processors it kept busy on average.
struct Timing {
    double wall = 0;
    double busy = 0;
};

Timing timed(const std::function<void()>& work)
{
    const double cpuBefore = cpuSeconds();
    Timing timing;
    timing.wall = secondsFor(work);
    timing.busy = (cpuSeconds() - cpuBefore) / timing.wall;
    return timing;
}

void makeCorpus(const std::string& folder, int files)
{
    shell("mkdir -p '" + folder + "'");
    for (int i = 0; i < files; ++i)
        writeBenchPng(folder + "/image" + std::to_string(i) + ".png", 96 + (i * 23) % 72,
                      96 + (i * 37) % 64, i);
}

Timing jobTiming(EngineState& state, const std::string& folder, bool hog)
{
    state.options[Option::HogSystem] = hog;
    KeptSurfaces surfaces;
    return timed([&] { runBenchJob(surfaces, state, {folder}); });
}

Timing controlTiming(const std::string& folder, unsigned sideBySide)
{
    return timed([&] {
        shell("ls '" + folder + "'/*.png | xargs -n1 -P" + std::to_string(sideBySide) +
              " optipng -quiet -o7 -simulate");
    });
}

double medianWall(const std::vector<Timing>& timings)
{
    std::vector<double> values;
    for (const Timing& timing : timings)
        values.push_back(timing.wall);
    return median(values);
}

double medianBusy(const std::vector<Timing>& timings)
{
    std::vector<double> values;
    for (const Timing& timing : timings)
        values.push_back(timing.busy);
    return median(values);
}

} // namespace

int main(int argc, char** argv)
{
    const int files = argc > 1 ? std::atoi(argv[1]) : 24;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 2;
    for (const char* tool : {"exiftool", "pngcrush", "optipng"}) {
        if (!InterpreterRunner().canFind(tool)) {
            std::printf("%s is not installed: nothing to measure\n", tool);
            return 0;
        }
    }
    const unsigned workers = workerCount(std::thread::hardware_concurrency(), files);
    const std::string scratch = makeScratch("tarnwick-pool");
    EngineState state;
    state.options[Option::Full] = true;
    state.options[Option::Strip] = true;
    state.options[Option::Copy] = false;
    state.options[Option::Pngs] = true;

    std::vector<Timing> oneByOne, pool, controlAlone, controlTogether;
    // Rounds alternate the order of the four runs so that a busy machine disturbs all alike.
    for (int round = 0; round < rounds; ++round) {
        const std::string base = scratch + "/" + std::to_string(round);
        for (const char* part : {"single", "pool", "control"})
            makeCorpus(base + "/" + part, files);
        const bool poolFirst = round % 2 == 1;
        for (int step = 0; step < 2; ++step) {
            if ((step == 0) != poolFirst)
                oneByOne.push_back(jobTiming(state, base + "/single", false));
            else
                pool.push_back(jobTiming(state, base + "/pool", true));
        }
        controlAlone.push_back(controlTiming(base + "/control", 1));
        controlTogether.push_back(controlTiming(base + "/control", workers));
    }
    removeScratch(scratch);

    const double poolSpeedUp = medianWall(oneByOne) / medianWall(pool);
    const double controlSpeedUp = medianWall(controlAlone) / medianWall(controlTogether);
    std::printf("%d PNGs, %u workers, %u processors, load average %.2f\n", files, workers,
                std::thread::hardware_concurrency(), loadAverage());
    std::printf("engine job: one by one %.2f s (%.2f processors busy), pool %.2f s (%.2f busy): "
                "speed-up %.2f\n",
                medianWall(oneByOne), medianBusy(oneByOne), medianWall(pool), medianBusy(pool),
                poolSpeedUp);
    std::printf("control (%d x optipng -o7 -simulate): one after another %.2f s (%.2f busy), %u "
                "side by side %.2f s (%.2f busy): speed-up %.2f\n",
                files, medianWall(controlAlone), medianBusy(controlAlone), workers,
                medianWall(controlTogether), medianBusy(controlTogether), controlSpeedUp);
    std::printf("pool speed-up / control speed-up: %.2f\n", poolSpeedUp / controlSpeedUp);
    return report("worker pool speed-up on real tools", poolSpeedUp, 1.8, false);
}
