// What the result checks cost: the Full job (Strip and Full on, one file at a time, no backup)
// with the real tools on fresh copies of the sample folder, once with the content checks and
// once with a checker that keeps every result unseen; alternating rounds, medians. At most 5%.
#include <cstdio>
#include <sys/resource.h>
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

// Counts the results a job hands to the checker it wraps, to show the checks really ran.
class CountingChecker : public ResultChecker {
public:
    explicit CountingChecker(ResultChecker& inner) : inner(inner) {}
    Verdict check(CheckKind kind, const std::string& before, const std::string& after) override
    {
        ++count;
        return inner.check(kind, before, after);
    }
    int count = 0;

private:
    ResultChecker& inner;
};

void setFullJob(EngineState& state)
{
    state.options.resetToDefaults();
    state.options[Option::Full] = true;
    state.options[Option::Strip] = true;
    state.options[Option::HogSystem] = false;
    state.options[Option::Copy] = false;
}

// Processor seconds used so far by this program and the tools it waited for.
double processorSeconds()
{
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        total += usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                 usage.ru_stime.tv_usec / 1e6;
    }
    return total;
}

struct Timing {
    double wall = 0;
    double processor = 0;
};

// What the Full job takes on a fresh copy of the sample folder with the checker.
Timing timedJob(const std::string& copy, ResultChecker& checker)
{
    shell("cp -R '" TARNWICK_SAMPLE_FOLDER "' '" + copy + "'");
    KeptSurfaces surfaces;
    EngineState state;
    setFullJob(state);
    InterpreterRunner runner;
    const JobContext job{surfaces, state, runner, checker};
    const double processorBefore = processorSeconds();
    Timing timing;
    const JobRequest request{{copy}, state.options.snapshot()};
    timing.wall = secondsFor([&] { runCompressionJob(job, request); });
    timing.processor = processorSeconds() - processorBefore;
    removeScratch(copy);
    return timing;
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
    KeepEveryResult keepEvery;
    InterpreterRunner interpreter;
    ContentChecker contentChecks(interpreter);
    CountingChecker checks(contentChecks);
    CountingChecker keepAll(keepEvery);
    const int rounds = roundsWanted();
    std::vector<Timing> checked, unchecked;
    for (int round = 0; round < rounds; ++round) {
        // Alternating which goes first, so a trend in the machine's load hits both alike.
        const std::string base = scratch + "/round" + std::to_string(round);
        if (round % 2 == 0) {
            checked.push_back(timedJob(base + "-checked", checks));
            unchecked.push_back(timedJob(base + "-unchecked", keepAll));
        } else {
            unchecked.push_back(timedJob(base + "-unchecked", keepAll));
            checked.push_back(timedJob(base + "-checked", checks));
        }
        std::printf("round %d: with checks %.3f s (processor %.3f s), without %.3f s (%.3f s)\n",
                    round + 1, checked.back().wall, checked.back().processor, unchecked.back().wall,
                    unchecked.back().processor);
        std::fflush(stdout);
    }
    const auto medianOf = [](const std::vector<Timing>& timings, double Timing::*part) {
        std::vector<double> values;
        for (const Timing& timing : timings)
            values.push_back(timing.*part);
        return median(values);
    };
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) == 3)
        std::printf("load average %.2f %.2f %.2f (a shared machine's load makes the wall times "
                    "noisy; the processor times much less so)\n",
                    load[0], load[1], load[2]);
    std::printf("results checked per job: %d with checks, %d without\n", checks.count / rounds,
                keepAll.count / rounds);
    const double wallChecked = medianOf(checked, &Timing::wall);
    const double wallUnchecked = medianOf(unchecked, &Timing::wall);
    const double cpuChecked = medianOf(checked, &Timing::processor);
    const double cpuUnchecked = medianOf(unchecked, &Timing::processor);
    std::printf("job with checks %.3f s, without %.3f s; processor time %.3f s and %.3f s "
                "(medians of %d)\n",
                wallChecked, wallUnchecked, cpuChecked, cpuUnchecked, rounds);
    removeScratch(scratch);
    report("checks cost in processor time", cpuChecked / cpuUnchecked, 1.05, true);
    return report("checks cost", wallChecked / wallUnchecked, 1.05, true);
}
