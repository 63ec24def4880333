// A tool step as a value: its log label, the program and options it runs, and where the program
// writes. Every step's whole life (log line, command, placing the result, accounting) is
// runStep's; a new tool or a stand-in is one more row.
#pragma once

#include <string>
#include <vector>

#include "engine/command_runner.h"
#include "engine/file_result.h"
#include "engine/job_context.h"
#include "engine/result_check.h"
#include "engine/size_report.h"
#include "engine/tools.h"

enum class StepOutput {
    InPlace, // the program rewrites the file itself
    NewFile, // the program writes a new file; a strictly smaller, non-empty one replaces the file
};

struct Step {
    const char* label; // the log's text before " New Size: ", indent and trailing blank included
    const Tool* tool;
    std::string options; // between the program and the path, quoted as needed; may be empty
    StepOutput output;
    const char* newFileSuffix; // NewFile: replaces the path's last four characters
    // Runs in this step's place, under this step's label, when the step's program cannot be
    // found and the stand-in's can.
    const Step* standIn = nullptr;
    // NewFile: the option that names the output, which then comes before the input
    // ("-outfile OUT IN"); null: the output follows the input.
    const char* outputOption = nullptr;
    // Other options to try as well, each into an output of its own; the smallest result is the
    // step's.
    std::vector<std::string> alternatives = {};
    // Why the step must leave the file alone (said as the step's undone line), or null.
    const char* (*refusal)(const std::string& path) = nullptr;
};

// The rows (engine/kind_table.cpp) that code outside the table names.
extern const Step stripStep; // exiftool: every kind's metadata
extern const Step crushStep; // PNG pass 1: pngcrush
extern const Step fastStep;  // pngout alone
// Where pngout cannot be found: the Full chain's last pass by zopflipng, under the same label.
extern const Step finalPassStandIn;

// The step that runs for step: the step itself, or its stand-in when the runner cannot find the
// step's program but can find the stand-in's.
const Step& stepToRun(ToolRunner& runner, const Step& step);

// The program that stands in for tool when the runner cannot find tool but finds its stand-in;
// null otherwise.
const Tool* standInFor(ToolRunner& runner, const Tool& tool);

// The file name a NewFile step used to write beside path: path without its last four characters
// + the suffix. Steps now write inside their work folder instead.
std::string newFilePath(const Step& step, const std::string& path);

// The command the runner gets: program, options, the input quoted (and, for a NewFile step, the
// output quoted, before the input after its outputOption when it has one).
std::string stepCommand(const Step& step, const std::string& input,
                        const std::string& output = std::string());
// The same with other options than the step's own (one of its alternatives).
std::string stepCommand(const Step& step, const std::string& options, const std::string& input,
                        const std::string& output);

// The label as a short name: "     Pass 1/3... " gives "Pass 1/3".
std::string stepName(const Step& step);

// Runs one step on path, bracketed by a SizeReport: the tool works on a copy in a private work
// folder beside the file, and its result replaces the file (one rename of a flushed file) only
// when it is smaller and passes the kind's check. Otherwise the file stays as it was, and a
// logging step says why on a line of its own under the step's line.
StepResult runStep(const JobContext& job, const Step& step, const std::string& path, StepMode mode,
                   CheckKind check);
