// The kinds of file Tarnwick compresses: one table of their suffixes, the option that admits each
// kind to a folder walk, and the steps each kind gets.
#pragma once

#include <string>
#include <vector>

#include "engine/options.h"
#include "engine/result_check.h"
#include "engine/steps.h"

// When a step of a kind's chain runs.
enum class StepGate {
    Always,
    WhenStrip,  // the Strip option is on when the step is reached
    WhenFull,   // Full was on when the kind's first Full-gated step was reached
    WhenOption, // the step's own option is on when the step is reached, and the job still runs
};

// What a stop (the running flag cleared) during the step means for the rest of the file.
enum class AfterStop {
    GoOn,           // not looked at here
    EndFileQuietly, // no further step and no closing line for the file
    EndSteps,       // no further step; the file's closing line is still logged
};

struct KindStep {
    const Step* step;
    StepGate gate;
    AfterStop afterStop;
    // When set, runs instead of step unless the Full-gated steps ran and Full is still on.
    const Step* fastStep = nullptr;
    Option option = Option::Full; // WhenOption: the option that gates the step
};

struct FileKind {
    const char* name;
    std::vector<const char*> suffixes; // lower case, in the order a folder's walk collects them
    Option extension;                  // admits the kind to folder walks
    std::vector<KindStep> steps;
    CheckKind check; // what a step's result must prove before it replaces the file
};

// The PNG passes: pngcrush, OptiPNG and pngout with Full on, pngout alone with Full off (each
// pngout step runs its zopflipng stand-in where pngout cannot be found).
const std::vector<KindStep>& pngPasses();

// Every kind, in the order a folder's files are compressed.
const std::vector<FileKind>& fileKinds();

// The kind whose suffix the lower-cased path ends with; null when there is none.
const FileKind* kindOfPath(const std::string& path);

// Whether the step's gate lets it run under these options (Full as it is now).
bool gateOpen(const KindStep& entry, const OptionValues& options);

// Whether a folder walk takes files of this kind under these options: its option is on and at
// least one of its steps would run.
bool kindEnabledForWalk(const FileKind& kind, const OptionValues& options);
