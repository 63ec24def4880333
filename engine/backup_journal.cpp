#include "engine/backup_journal.h"

#include "util/file_system.h"

void BackupJournal::addFile(const std::string& path, std::unique_ptr<ManifestWriter> manifest)
{
    const std::size_t slash = path.find_last_of(pathSeparators);
    const std::string folderPart =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    backups.push_back(Backup{path, folderPart, std::move(manifest)});
}

void BackupJournal::addFolder(const std::string& folder, std::unique_ptr<ManifestWriter> manifest)
{
    const std::string prefix = withTrailingSeparator(folder);
    backups.push_back(Backup{prefix, prefix, std::move(manifest)});
}

std::vector<std::pair<const BackupJournal::Backup*, std::string>>
BackupJournal::backupsOf(const std::string& path) const
{
    std::vector<std::pair<const Backup*, std::string>> found;
    for (const Backup& backup : backups) {
        const bool single = backup.prefix != backup.folderPart;
        if (single ? path == backup.prefix
                   : path.compare(0, backup.prefix.size(), backup.prefix) == 0)
            found.emplace_back(&backup, path.substr(backup.folderPart.size()));
    }
    return found;
}

bool BackupJournal::aboutToReplace(const std::string& path, const std::string& hash)
{
    bool noted = true;
    for (auto& [backup, relative] : backupsOf(path))
        noted = backup->manifest->noteProduced(relative, hash) && noted;
    return noted;
}

void BackupJournal::finished(const std::string& path, const std::string& hash)
{
    for (auto& [backup, relative] : backupsOf(path))
        backup->manifest->noteResult(relative, hash);
}

bool BackupJournal::covers(const std::string& path) const
{
    return !backupsOf(path).empty();
}
