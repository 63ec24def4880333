#include "engine/steps.h"

#include <cstdlib>

#include "engine/content_hash.h"
#include "engine/file_queries.h"
#include "engine/tool_command.h"
#include "engine/tool_runner.h"
#include "platform/win32/base.h"
#include "engine/work_folder.h"
#include "image/image_check.h"
#include "util/live_file.h"
#include "util/strings.h"

namespace {

// How a step's work on its copy ended.
struct WorkOutcome {
    std::string reason;            // why the result was discarded; empty when it replaced the
                                   // file or there was nothing to replace it with
    bool couldNotRun = false;      // no working copy could be made
    bool changedElsewhere = false; // another process changed the file during the step
    bool interrupted = false;      // the tool was ended before it finished
    std::int64_t saved = 0;        // bytes the step's own result saved
};

const char* const changedDuringStep = "the file changed during the step";

// Whether path is still the file whose copy the step worked on: the same file, size and times,
// and the same content as the copy had when it was made.
bool stillTheCopiedFile(const std::string& path, const std::string& identity,
                        const std::string& hash)
{
    return fileIdentity(path) == identity && !hash.empty() && contentHash(path) == hash;
}

// The step's tools on a copy of path in a work folder, and a good result put in its place.
// Returns why the result was discarded, or an empty text; fills outcome's other facts.
std::string runOnCopy(const JobContext& job, const Step& step, const std::string& path,
                      const std::string& named, StepMode mode, CheckKind check,
                      WorkOutcome& outcome)
{
    WorkFolder work(path);
    outcome.couldNotRun = true;
    if (!work.ok())
        return "no work folder could be made beside the file (" + work.error() + ")";
    const std::string input = work.file("");
    const std::string identity = fileIdentity(path);
    if (std::string error = copyFileExclusive(path, input); !error.empty())
        return "no working copy could be made (" + error + ")";
    // Taken from the copy before any tool touches it: the original must still hold this when
    // the result takes its place, or the result would drop what another process wrote.
    const std::string copiedHash = contentHash(input);
    outcome.couldNotRun = false;

    const std::int64_t originalSize = fileSize(input);
    ToolRun run;
    run.highPriority = mode.highPriority;
    run.timeLimit = job.state.timeLimitFor(originalSize);
    run.abort = &job.state.abortTools;
    // Every set of options writes an output of its own; the smallest non-empty one is the
    // step's result.
    std::vector<std::string> optionSets{step.options};
    optionSets.insert(optionSets.end(), step.alternatives.begin(), step.alternatives.end());
    std::string output;
    std::int64_t resultSize = -1;
    for (std::size_t i = 0; i < optionSets.size(); ++i) {
        const std::string candidate =
            step.output == StepOutput::NewFile
                ? work.file(i == 0 ? std::string("-out") : "-out" + std::to_string(i + 1))
                : input;
        run.command = stepCommand(step, optionSets[i], input, candidate);
        const RunOutcome ran = job.runner.run(run);
        outcome.interrupted = ran.end == RunEnd::TimedOut || ran.end == RunEnd::Aborted;
        if (ran.end == RunEnd::TimedOut)
            return std::string(step.tool->shown) + " ran past its time limit (" +
                   std::to_string(run.timeLimit.count() / 1000) + " s)";
        if (ran.end == RunEnd::Aborted)
            return std::string(step.tool->shown) + " was stopped";
        if (ran.end == RunEnd::NotStarted && ran.code == ERROR_FILENAME_EXCED_RANGE)
            return "the command line would be too long";
        const std::int64_t size = fileSize(candidate);
        if (output.empty() || (size > 0 && (resultSize <= 0 || size < resultSize))) {
            output = candidate;
            resultSize = size;
        }
    }

    // No output at all: the tool did not run (or wrote nothing), which leaves nothing to undo.
    if (resultSize < 0)
        return std::string();
    // The same size gains nothing; even an empty file stays empty without a word.
    if (resultSize == originalSize)
        return std::string();
    if (resultSize == 0)
        return "the result was empty";
    if (resultSize > originalSize)
        return "the result was larger";
    // The check compares the result with the file, so a file written meanwhile is told apart
    // first, by its identity alone; its content is compared just before the replacement.
    if (fileIdentity(path) != identity) {
        outcome.changedElsewhere = true;
        return changedDuringStep;
    }
    const Verdict verdict = job.checker.check(check, path, output);
    if (!verdict.keep)
        return verdict.reason.empty() ? std::string("the result failed its check") : verdict.reason;
    if (!stillTheCopiedFile(path, identity, copiedHash)) {
        outcome.changedElsewhere = true;
        return changedDuringStep;
    }
    // Noted first: a restore must know this content for the job's own, even after a kill in the
    // moment after the replacement.
    if (job.journal && job.journal->covers(named) &&
        !job.journal->aboutToReplace(named, contentHash(output)))
        return "the backup's manifest could not note the result";
    if (std::string error = replaceFile(path, output, job.option(Option::KeepDates));
        !error.empty())
        return "the result could not replace the file (" + error + ")";
    outcome.saved = originalSize - resultSize;
    return std::string();
}

// Runs the step in a work folder and puts a good result in place.
// named: the path the job knows the file by, which path may be the target of.
WorkOutcome runInWorkFolder(const JobContext& job, const Step& step, const std::string& path,
                            const std::string& named, StepMode mode, CheckKind check)
{
    WorkOutcome outcome;
    if (!isRegularFileBehindLinks(path))
        return outcome;
    if (step.refusal)
        if (const char* why = step.refusal(path)) {
            outcome.reason = why;
            return outcome;
        }
    // Windows refuses to replace such a file, and its owner said it must not change.
    if (isReadOnlyFile(path)) {
        outcome.reason = "the file is read-only";
        return outcome;
    }
    outcome.reason = runOnCopy(job, step, path, named, mode, check, outcome);
    return outcome;
}

} // namespace

const Step& stepToRun(ToolRunner& runner, const Step& step)
{
    if (!step.standIn || runner.canFind(step.tool->command) ||
        !runner.canFind(step.standIn->tool->command))
        return step;
    return *step.standIn;
}

const Tool* standInFor(ToolRunner& runner, const Tool& tool)
{
    if (!tool.standIn || runner.canFind(tool.command) || !runner.canFind(tool.standIn->command))
        return nullptr;
    return tool.standIn;
}

std::string newFilePath(const Step& step, const std::string& path)
{
    const std::string stem = path.size() >= 4 ? path.substr(0, path.size() - 4) : std::string();
    return stem + (step.newFileSuffix ? step.newFileSuffix : "");
}

std::string stepCommand(const Step& step, const std::string& input, const std::string& output)
{
    return stepCommand(step, step.options, input, output);
}

std::string stepCommand(const Step& step, const std::string& options, const std::string& input,
                        const std::string& output)
{
    std::string command = step.tool->command;
    if (!options.empty()) {
        command += ' ';
        command += options;
    }
    const bool newFile = step.output == StepOutput::NewFile;
    if (newFile && step.outputOption) {
        command += ' ';
        command += step.outputOption;
        command += ' ';
        command += quotedPathArgument(output);
    }
    command += ' ';
    command += quotedPathArgument(input);
    if (newFile && !step.outputOption) {
        command += ' ';
        command += quotedPathArgument(output);
    }
    return command;
}

std::string stepName(const Step& step)
{
    std::string name = step.label;
    trim(name);
    while (!name.empty() && name.back() == '.')
        name.pop_back();
    return name;
}

StepResult runStep(const JobContext& job, const Step& step, const std::string& path, StepMode mode,
                   CheckKind check)
{
    StepResult result;
    result.name = stepName(step);
    {
        SizeReport report(job, step.label, path, mode.logging);
        result.sizeBefore = report.sizeAtStart();
        const WorkOutcome outcome = runInWorkFolder(job, step, fileBehind(path), path, mode, check);
        result.reason = outcome.reason;
        result.couldNotRun = outcome.couldNotRun;
        result.changedElsewhere = outcome.changedElsewhere;
        result.interrupted = outcome.interrupted;
        report.countSaving(outcome.saved);
    }
    result.undone = !result.reason.empty();
    if (result.undone && mode.logging) {
        MutexLock lock(job.state.logMutex);
        job.surfaces.append("     Step undone: ");
        job.surfaces.append(result.reason);
        job.surfaces.append("\r\n");
    }
    result.sizeAfter = fileSize(path);
    return result;
}
