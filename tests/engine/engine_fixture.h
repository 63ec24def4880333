// Common ground for engine tests: a temporary folder with fake tools first on PATH, a recording
// pair of surfaces, a fixed clock, and an engine state of the test's own with its options in a
// known state.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "engine/command_runner.h"
#include "engine/compression_job.h"
#include "engine/engine_state.h"
#include "engine/job_context.h"
#include "engine/job_runner.h"
#include "engine/result_check.h"
#include "image/strip_arguments.h"
#include "support/fake_tools.h"
#include "support/fixed_clock.h"
#include "support/recording_surfaces.h"
#include "support/temp_folder.h"

class EngineTest : public ::testing::Test {
protected:
    EngineTest() : tools(temp.file("bin")), clock({december7(14, 5, 9), december7(14, 5, 31)})
    {
        state.options[Option::Copy] = false;
        state.running = true;
    }

    // A folder for the images under test.
    std::string pics() const { return temp.file("pics"); }

    // The test's state, the command interpreter and the content checks, reporting to out.
    JobContext context(ReportSurfaces& out) { return JobContext{out, state, runner, checker}; }

    // Runs a job on paths as the program does (its tools through the job's own runner: exiftool
    // kept open where the system allows), with the options as the state holds them now and no
    // record; the outcome of its one path.
    JobOutcome runJob(ReportSurfaces& out, const std::vector<std::string>& paths)
    {
        const std::vector<JobOutcome> outcomes = runJobs(out, paths);
        return outcomes.empty() ? JobOutcome::Done : outcomes.front();
    }
    std::vector<JobOutcome> runJobs(ReportSurfaces& out, const std::vector<std::string>& paths)
    {
        const std::unique_ptr<ToolRunner> jobRunner = makeJobRunner(runner);
        return runCompressionJob(JobContext{out, state, jobRunner ? *jobRunner : runner, checker},
                                 JobRequest{paths, state.options.snapshot()});
    }

    TempFolder temp;
    FakeTools tools;
    FixedClock clock;
    RecordingSurfaces surfaces;
    EngineState state;
    InterpreterRunner runner;
    ContentChecker checker{runner};
};

// Surfaces that clear the running flag (the Stop command) the first time a log piece equal to
// trigger is appended, as if the user pressed Stop at that moment.
class StoppingSurfaces : public RecordingSurfaces {
public:
    StoppingSurfaces(EngineState& state, std::string trigger)
        : state(state), trigger(std::move(trigger))
    {}

    void append(const std::string& text) override
    {
        RecordingSurfaces::append(text);
        if (text == trigger)
            state.running = false;
    }

private:
    EngineState& state;
    std::string trigger;
};

// How a recorded exiftool call lists the strip step's arguments before the file:
// "-overwrite_original|...|".
inline std::string stripCallArguments()
{
    std::string joined = "-overwrite_original|";
    for (const std::string& argument : stripArguments())
        joined += argument + "|";
    return joined;
}

inline const char* startStamp = "Starting Compression at 12/07/2026 02:05:09 PM";
inline const char* finishStamp = "Finished Compression at 12/07/2026 02:05:31 PM";
