#include "app/run_report.h"

#include <algorithm>

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

int exitStatusFor(const std::vector<JobOutcome>& outcomes, const RunTally& tally, bool interrupted)
{
    auto unusable = [](JobOutcome outcome) {
        return outcome == JobOutcome::PathMissing || outcome == JobOutcome::UnsupportedFile;
    };
    if (std::all_of(outcomes.begin(), outcomes.end(), unusable))
        return 2;
    if (interrupted)
        return 130;
    if (std::any_of(outcomes.begin(), outcomes.end(), unusable) ||
        std::find(outcomes.begin(), outcomes.end(), JobOutcome::BackupFailed) != outcomes.end() ||
        tally.failed > 0)
        return 1;
    return 0;
}

std::string jsonString(const std::string& bytes)
{
    return "\"" + escapeJsonStandard(bytes) + "\"";
}
