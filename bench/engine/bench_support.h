// Shared pieces of the engine benchmarks: timing, a scratch folder, shell commands and a pair of
// report surfaces that only keep the text.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/compression_job.h"
#include "engine/report_surfaces.h"

class KeptSurfaces : public ReportSurfaces {
public:
    void append(const std::string& text) override;
    void setStatusText(int part, const std::string& text) override;
    std::string log() const;

private:
    mutable std::mutex lock;
    std::string text;
};

// Runs a job on paths as the program does (exiftool kept open where the system allows), with the
// state's options as they are now and no record of finished files.
std::vector<JobOutcome> runBenchJob(ReportSurfaces& surfaces, EngineState& state,
                                    const std::vector<std::string>& paths);

// Seconds one call of work takes.
double secondsFor(const std::function<void()>& work);

// The median of the values.
double median(std::vector<double> values);

// A fresh folder under the temporary folder; removed by removeScratch.
std::string makeScratch(const std::string& name);
void removeScratch(const std::string& folder);

// Runs a command through /bin/sh and returns its exit status (baselines only).
int shell(const std::string& command);

// Prints "NAME: ratio R (target T): PASS|FAIL" and returns 0 when it passes.
int report(const std::string& name, double ratio, double target, bool atMost);

// An RGB PNG of width x height from its filtered rows (a filter byte and three bytes a pixel for
// each), compressed at level, with a comment chunk when comment is not empty; empty on failure.
std::string rgbPngBytes(int width, int height, const std::string& rows, int level,
                        const std::string& comment);

// Writes a real RGB PNG of width x height whose picture depends on seed (gradients, shapes and
// noise in a mix that varies with it), with a text chunk for a strip to remove. False on failure.
bool writeBenchPng(const std::string& path, int width, int height, int seed);

// The load average of the last minute: other work on the machine disturbs every timing.
double loadAverage();

// CPU seconds this process and its reaped children have used so far: a load-independent
// measure next to wall times on a shared machine.
double cpuSeconds();
