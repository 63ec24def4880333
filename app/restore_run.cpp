#include "app/restore_run.h"

#include <array>
#include <cstdint>

#include "engine/backup_manifest.h"
#include "engine/compress_file.h"
#include "engine/restore_backup.h"
#include "engine/size_report.h"
#include "json/json_node.h"
#include "json/json_writer.h"

namespace {

constexpr std::size_t actionCount = 5;

std::string logLine(const RestoredFile& file)
{
    const std::string name = displayName(file.relative, "");
    const std::string size = " (" + sizeText(file.size) + " KB)";
    switch (file.action) {
    case RestoreAction::Restored:
        return "Restored " + name + size;
    case RestoreAction::Unchanged:
        return "Keeping " + name + size + ": already the original";
    case RestoreAction::SkippedChanged:
        return "Skipping " + name + size + ": changed since the job, left as it is";
    case RestoreAction::Missing:
        return "Skipping " + name + ": missing";
    case RestoreAction::Failed:
        return "Not restored " + name + ": " + file.reason;
    }
    return name;
}

std::string fileJson(const RestoredFile& file)
{
    jsonNode line(jsonObject);
    line.addStringChild("path", file.path);
    line.addStringChild("action", restoreActionName(file.action));
    if (!file.reason.empty())
        line.addStringChild("reason", file.reason);
    return toStandardText(line);
}

std::string totalJson(const std::array<std::int64_t, actionCount>& counts, std::int64_t files,
                      int status)
{
    jsonNode line(jsonObject);
    line.addChild("files", std::to_string(files));
    for (std::size_t i = 0; i < actionCount; ++i)
        line.addChild(restoreActionName(static_cast<RestoreAction>(i)), std::to_string(counts[i]));
    line.addChild("exit_status", std::to_string(status));
    return toStandardText(line);
}

std::int64_t count(const std::array<std::int64_t, actionCount>& counts, RestoreAction action)
{
    return counts[static_cast<std::size_t>(action)];
}

} // namespace

int runRestore(const std::string& backupFolder, std::FILE* log, std::FILE* json)
{
    std::array<std::int64_t, actionCount> counts{};
    std::int64_t files = 0;
    std::string root;
    std::fprintf(log, "Restoring originals from %s\n", displayName(backupFolder, "").c_str());
    const bool read = restoreBackup(
        backupFolder,
        [&](const RestoredFile& file) {
            ++files;
            ++counts[static_cast<std::size_t>(file.action)];
            std::fprintf(log, "%s\n", logLine(file).c_str());
            if (json)
                std::fprintf(json, "%s\n", fileJson(file).c_str());
        },
        root);
    if (!read) {
        std::fprintf(stderr, "tarnwick: %s: not a backup of Tarnwick's (no valid %s)\n",
                     backupFolder.c_str(), manifestName);
        return 2;
    }
    const bool whole =
        count(counts, RestoreAction::Restored) + count(counts, RestoreAction::Unchanged) == files;
    const int status = whole ? 0 : 1;
    std::fprintf(log,
                 "Restored %lld of %lld files into %s: %lld already original, %lld changed "
                 "since the job, %lld missing, %lld failed\n",
                 static_cast<long long>(count(counts, RestoreAction::Restored)),
                 static_cast<long long>(files), displayName(root, "").c_str(),
                 static_cast<long long>(count(counts, RestoreAction::Unchanged)),
                 static_cast<long long>(count(counts, RestoreAction::SkippedChanged)),
                 static_cast<long long>(count(counts, RestoreAction::Missing)),
                 static_cast<long long>(count(counts, RestoreAction::Failed)));
    std::fflush(log);
    if (json) {
        std::fprintf(json, "%s\n", totalJson(counts, files, status).c_str());
        std::fflush(json);
    }
    return status;
}
