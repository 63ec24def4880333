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

int exitStatusFor(JobOutcome outcome, const RunTally& tally, bool interrupted)
{
    if (outcome == JobOutcome::PathMissing || outcome == JobOutcome::UnsupportedFile)
        return 2;
    if (interrupted)
        return 130;
    if (outcome == JobOutcome::BackupFailed || tally.failed > 0)
        return 1;
    return 0;
}

std::string jsonString(const std::string& bytes)
{
    return "\"" + escapeJsonStandard(bytes) + "\"";
}
