#include "app/run_report.h"

#include "json/json_escape.h"

void RunTally::add(const FileResult& result)
{
    ++files;
    switch (result.status) {
    case FileStatus::Processed:
        ++processed;
        break;
    case FileStatus::Skipped:
        ++skipped;
        break;
    case FileStatus::Stopped:
        ++stopped;
        break;
    case FileStatus::Failed:
        ++failed;
        break;
    }
}

void PathTally::add(JobOutcome outcome)
{
    switch (outcome) {
    case JobOutcome::Done:
        ++done;
        break;
    case JobOutcome::PathMissing:
    case JobOutcome::UnsupportedFile:
        ++unusable;
        break;
    case JobOutcome::BackupFailed:
        ++backupFailed;
        break;
    }
}

int exitStatusFor(const PathTally& paths, const RunTally& tally, bool interrupted)
{
    if (paths.unusable > 0 && paths.done == 0 && paths.backupFailed == 0)
        return 2;
    if (interrupted)
        return 130;
    if (paths.unusable > 0 || paths.backupFailed > 0 || tally.failed > 0)
        return 1;
    return 0;
}

int exitStatusFor(const std::vector<JobOutcome>& outcomes, const RunTally& tally, bool interrupted)
{
    PathTally paths;
    for (JobOutcome outcome : outcomes)
        paths.add(outcome);
    return exitStatusFor(paths, tally, interrupted);
}

std::string jsonString(const std::string& bytes)
{
    return "\"" + escapeJsonStandard(bytes) + "\"";
}
