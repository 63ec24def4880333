// What the result checks cost: the Full job (Strip and Full on, one file at a time, no backup)
// with the real tools on fresh copies of the sample folder, once with the content checks and
// once with a checker that keeps every result unseen; alternating rounds, medians. At most 5%.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/engine/bench_support.h"
#include "engine/command_runner.h"
#include "engine/compression_job.h"
#include "engine/engine_state.h"
#include "engine/job_context.h"
#include "engine/result_check.h"

namespace {

class KeepEveryResult : public ResultChecker {
public:
    Verdict check(CheckKind, const std::string&, const std::string&) override
    {
        return Verdict{true, std::string()};
    }
};

void setFullJob(EngineState& state)
{
    state.options.resetToDefaults();
    state.options[Option::Full] = true;
    state.options[Option::Strip] = true;
    state.options[Option::HogSystem] = false;
    state.options[Option::Copy] = false;
}

// Seconds the Full job takes on a fresh copy of the sample folder with the checker.
double timedJob(const std::string& copy, ResultChecker& checker)
{
    shell("cp -R '" TARNWICK_SAMPLE_FOLDER "' '" + copy + "'");
    KeptSurfaces surfaces;
    EngineState state;
    setFullJob(state);
    const JobContext job{surfaces, state, interpreterRunner(), checker};
    const double seconds = secondsFor([&] { runCompressionJob(job, {copy}); });
    removeScratch(copy);
    return seconds;
}

int roundsWanted()
{
    const char* text = std::getenv("TARNWICK_BENCH_ROUNDS");
    const int rounds = text ? std::atoi(text) : 0;
    return rounds > 0 ? rounds : 5;
}

} // namespace

int main()
{
    const std::string scratch = makeScratch("tarnwick-check-cost");
    if (scratch.empty())
        return 1;
    unsetenv("COMSPEC");
    KeepEveryResult keepAll;
    const int rounds = roundsWanted();
    std::vector<double> checked, unchecked;
    for (int round = 0; round < rounds; ++round) {
        // Alternating which goes first, so a trend in the machine's load hits both alike.
        const std::string base = scratch + "/round" + std::to_string(round);
        if (round % 2 == 0) {
            checked.push_back(timedJob(base + "-checked", contentChecker()));
            unchecked.push_back(timedJob(base + "-unchecked", keepAll));
        } else {
            unchecked.push_back(timedJob(base + "-unchecked", keepAll));
            checked.push_back(timedJob(base + "-checked", contentChecker()));
        }
        std::printf("round %d: with checks %.3f s, without %.3f s\n", round + 1, checked.back(),
                    unchecked.back());
        std::fflush(stdout);
    }
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) == 3)
        std::printf("load average %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    std::printf("job with checks %.3f s, without %.3f s (medians of %d)\n", median(checked),
                median(unchecked), rounds);
    removeScratch(scratch);
    return report("checks cost", median(checked) / median(unchecked), 1.05, true);
}
