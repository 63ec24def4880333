#include "engine/compress_file.h"

#include <algorithm>

#include "engine/content_hash.h"
#include "engine/file_queries.h"
#include "util/live_file.h"
#include "util/strings.h"

namespace {

// A file's first line: "Compressing NAME (SIZE KB)" and the like, whole under logMutex.
void appendFileLine(const JobContext& job, const char* opening, const std::string& name,
                    std::int64_t size, const char* closing)
{
    MutexLock lock(job.state.logMutex);
    job.surfaces.append(opening);
    job.surfaces.append(name);
    job.surfaces.append(" (");
    job.surfaces.append(sizeText(size));
    job.surfaces.append(std::string(" KB") + closing);
    job.surfaces.append("\r\n");
}

// A backslash stays as it is: it separates folders on Windows, and escaping it would double
// every one of them.
std::string escapedControlBytes(const std::string& text)
{
    static const char hex[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7f) {
            shown += c;
            continue;
        }
        if (byte == '\n')
            shown += "\\n";
        else if (byte == '\r')
            shown += "\\r";
        else if (byte == '\t')
            shown += "\\t";
        else {
            shown += "\\x";
            shown += hex[byte >> 4];
            shown += hex[byte & 0xf];
        }
    }
    return shown;
}

// Keep File Dates: the times the file had before anything of the job read it (a read moves its
// access time), given back when the file is done, to the result or to the file left as it was.
class KeptTimes {
public:
    KeptTimes(const JobContext& job, const std::string& path)
        : path(path), kept(job.option(Option::KeepDates) && fileTimes(path, times))
    {}
    ~KeptTimes()
    {
        // A file written by someone else meanwhile has a time of its own: it stays.
        FileTimes now;
        if (kept && fileTimes(path, now) && now.modified == times.modified)
            setFileTimes(path, times);
    }
    KeptTimes(const KeptTimes&) = delete;
    KeptTimes& operator=(const KeptTimes&) = delete;

private:
    const std::string& path;
    FileTimes times;
    bool kept;
};

} // namespace

bool runSteps(const JobContext& job, const std::vector<KindStep>& steps, CheckKind check,
              const std::string& path, StepMode mode, FileResult& result)
{
    bool fullKnown = false;
    bool full = false;
    for (const KindStep& entry : steps) {
        if (entry.gate == StepGate::WhenStrip && !job.option(Option::Strip))
            continue;
        if (entry.gate == StepGate::WhenOption) {
            if (!job.option(entry.option))
                continue;
            // A step of its own choosing never starts once the job is stopped.
            if (!job.running()) {
                result.status = FileStatus::Stopped;
                return true;
            }
        }
        if (entry.gate == StepGate::WhenFull) {
            // One reading decides all the Full-gated passes of the file.
            if (!fullKnown) {
                full = job.option(Option::Full);
                fullKnown = true;
            }
            if (!full)
                continue;
        }
        const Step* step = entry.step;
        if (entry.fastStep && !(full && job.option(Option::Full)))
            step = entry.fastStep;
        step = &stepToRun(job.runner, *step);
        result.steps.push_back(runStep(job, *step, path, mode, check));
        if (result.steps.back().couldNotRun)
            result.status = FileStatus::Failed;
        // Whoever wrote the file owns it now: no later step works on what they wrote.
        if (result.steps.back().changedElsewhere) {
            result.status = FileStatus::Failed;
            return true;
        }
        if (job.running())
            continue;
        if (entry.afterStop == AfterStop::EndFileQuietly) {
            result.status = FileStatus::Stopped;
            return false;
        }
        if (entry.afterStop == AfterStop::EndSteps) {
            result.status = FileStatus::Stopped;
            return true;
        }
    }
    return true;
}

std::string displayName(const std::string& path, const std::string& baseFolder)
{
    std::string name = path;
    if (!baseFolder.empty() && startsWith(name, baseFolder)) {
        name.erase(0, baseFolder.size());
        if (!name.empty() && (name[0] == '\\' || name[0] == '/'))
            name.erase(0, 1);
    }
    return escapedControlBytes(name);
}

double remainingPercent(std::int64_t sizeBefore, std::int64_t sizeAfter)
{
    if (sizeBefore <= 0 || sizeAfter < 0)
        return 100.0;
    return static_cast<double>(sizeAfter) / static_cast<double>(sizeBefore) * 100.0;
}

void compressFile(const JobContext& job, const std::string& path, const std::string& baseFolder,
                  StepMode mode)
{
    const KeptTimes keptTimes(job, path);
    FileResult result;
    result.path = path;
    result.sizeBefore = fileSize(path);
    if (result.sizeBefore < 0)
        result.status = FileStatus::Failed;

    // Another name of a file worked on already: its saving would be counted twice, and with
    // HogSystem two workers would rewrite it at the same time.
    if (const std::string first = job.linkedNames ? job.linkedNames->claim(path) : std::string();
        !first.empty()) {
        result.status = FileStatus::Skipped;
        result.sizeAfter = result.sizeBefore;
        if (mode.logging)
            appendFileLine(job, "Skipping ", displayName(path, baseFolder), result.sizeBefore,
                           ("): another name of " + displayName(first, baseFolder)).c_str());
        job.surfaces.fileFinished(result);
        return;
    }

    const bool recorded = job.record && !job.setup.empty();
    if (recorded && job.record->isFinished(job.hashes ? job.hashes->take(path) : contentHash(path),
                                           job.setup)) {
        result.status = FileStatus::Skipped;
        result.sizeAfter = result.sizeBefore;
        if (mode.logging)
            appendFileLine(job, "Skipping ", displayName(path, baseFolder), result.sizeBefore,
                           "): already compressed with these options and tools");
        job.surfaces.fileFinished(result);
        return;
    }

    if (mode.logging)
        appendFileLine(job, "Compressing ", displayName(path, baseFolder), result.sizeBefore, ")");

    bool closingLine = true;
    if (const FileKind* kind = kindOfPath(path))
        closingLine = runSteps(job, kind->steps, kind->check, path, mode, result);

    result.sizeAfter = fileSize(path);
    // A file whose every step ran to its end is finished, also where a check undid a result:
    // the same tools and options would only do the same again. A stopped or failed file, or one
    // whose tool was ended before it finished, may do better next time.
    const bool finished =
        result.status == FileStatus::Processed &&
        std::none_of(result.steps.begin(), result.steps.end(), [](const StepResult& step) {
            return step.couldNotRun || step.interrupted || step.changedElsewhere;
        });
    const bool mark = recorded && finished && kindOfPath(path);
    const bool note = job.journal && job.journal->covers(path);
    if (mark || note) {
        const std::string after = contentHash(path);
        if (mark)
            job.record->markFinished(after, job.setup);
        if (note && !after.empty())
            job.journal->finished(path, after);
    }
    if (closingLine && mode.logging) {
        MutexLock lock(job.state.logMutex);
        job.surfaces.append("     Compressed file is ");
        job.surfaces.append(numberToText(remainingPercent(result.sizeBefore, result.sizeAfter), 3));
        job.surfaces.append("% of the original");
        job.surfaces.append("\r\n");
    }
    job.surfaces.fileFinished(result);
}
