// The job's backups as one result journal: each file's news goes to the manifest of every
// backup made for a path it lies in.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/backup_manifest.h"
#include "engine/result_journal.h"

class BackupJournal : public ResultJournal {
public:
    // The backup of the single file path, as the job names it.
    void addFile(const std::string& path, std::unique_ptr<ManifestWriter> manifest);
    // The backup of everything below folder, as the job names it.
    void addFolder(const std::string& folder, std::unique_ptr<ManifestWriter> manifest);

    bool aboutToReplace(const std::string& path, const std::string& hash) override;
    void finished(const std::string& path, const std::string& hash) override;
    bool covers(const std::string& path) const override;

private:
    struct Backup {
        std::string prefix; // a folder with its separator, or the file's own path
        std::string folderPart;
        std::unique_ptr<ManifestWriter> manifest;
    };

    // The backups path lies in, each with the path's name below its root.
    std::vector<std::pair<const Backup*, std::string>> backupsOf(const std::string& path) const;

    // Added before the job's files start; read by its workers afterwards.
    std::vector<Backup> backups;
};
