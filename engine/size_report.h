// One tool step's log line and accounting, and the status bar's two texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/file_result.h"
#include "engine/job_context.h"

// How a file's steps report: with per-step log lines (one file at a time) or quietly and at
// high priority (the worker pool). Taken once per file so a file's lines never come out half.
struct StepMode {
    bool logging;
    bool highPriority;
};

// The mode the options ask for now: logging and normal priority unless HogSystem is on.
StepMode currentStepMode(const EngineState& state);

// Bytes as KB with three decimals ("12.346"); a negative count keeps its minus sign.
std::string kilobytesText(std::int64_t bytes);

// A file size for the log: a missing file (-1) shows as 0.000.
std::string sizeText(std::int64_t bytes);

// Status part 0 becomes "Compressing File: index+1/count" (unless index is -1); part 1 always
// shows the total saved. Under statusMutex.
void updateStatus(const JobContext& job, int index, std::uint32_t count);

// Brackets one tool step: logs the label when it opens and " New Size: ... KB" when it closes,
// and adds the step's saving to the total: the one given to countSaving, or else the change in
// size (also when the step made the file larger).
class SizeReport {
public:
    SizeReport(const JobContext& job, const std::string& label, const std::string& path,
               bool logging);
    ~SizeReport();

    SizeReport(const SizeReport&) = delete;
    SizeReport& operator=(const SizeReport&) = delete;

    std::int64_t sizeAtStart() const { return sizeBefore; }
    // The bytes the step itself saved; what another process did to the file meanwhile is not
    // the step's saving.
    void countSaving(std::int64_t bytes) { saving = bytes; }

private:
    JobContext job;
    bool logging;
    std::string path;
    std::int64_t sizeBefore;
    std::optional<std::int64_t> saving;
};
