// 32 files through a CPU-bound stand-in tool, compressed one by one and then by the worker pool
// (HogSystem): the pool must be at least 1.8 times as fast on 2 cores.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/engine/bench_support.h"
#include "engine/compression_job.h"
#include "engine/engine_state.h"

namespace {

void makeFiles(const std::string& folder)
{
    for (int i = 0; i < 32; ++i)
        shell("head -c 4096 /dev/zero > '" + folder + "/f" + std::to_string(i) + ".png'");
}

} // namespace

int main()
{
    const std::string scratch = makeScratch("tarnwick-hog");
    const std::string bin = scratch + "/bin";
    shell("mkdir -p '" + bin + "'");
    // Burns about 0.15 s of one core and leaves the file as it was (so no result is checked):
    // long enough that the fixed cost of starting each tool does not hide the speed-up.
    shell("printf '%s\\n' '#!/bin/sh' 'i=0' 'while [ $i -lt 150000 ]; do i=$((i+1)); done' > '" +
          bin + "/pngout'");
    shell("chmod +x '" + bin + "/pngout'");
    const std::string path = bin + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "");
    setenv("PATH", path.c_str(), 1);
    unsetenv("COMSPEC");
    EngineState state;
    state.options[Option::Full] = false;
    state.options[Option::Strip] = false;
    state.options[Option::Copy] = false;
    state.options[Option::Pngs] = true;

    // Rounds alternate the two modes so that a busy machine disturbs both alike.
    std::vector<double> oneByOne, parallel;
    for (int round = 0; round < 3; ++round)
        for (bool hog : {false, true}) {
            const std::string folder = scratch + "/" + std::to_string(round) + (hog ? "on" : "off");
            shell("mkdir -p '" + folder + "'");
            makeFiles(folder);
            state.options[Option::HogSystem] = hog;
            KeptSurfaces surfaces;
            const double seconds = secondsFor([&] { runBenchJob(surfaces, state, {folder}); });
            (hog ? parallel : oneByOne).push_back(seconds);
        }
    std::printf("one by one %.3f s, HogSystem %.3f s (medians of 3)\n", median(oneByOne),
                median(parallel));
    // The speed-up needs idle processors: other work on the machine shows in the load average.
    shell("printf 'load average: '; cut -d' ' -f1-3 /proc/loadavg");
    removeScratch(scratch);
    return report("HogSystem speed-up on 32 CPU-bound files", median(oneByOne) / median(parallel),
                  1.8, false);
}
