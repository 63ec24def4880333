// The manifest a backup folder holds: which originals it has and what the job made of each, so
// that walks know the folder for one of ours and a restore can tell a job's result from a later
// edit. It is a journal: lines are only ever appended, each a checksum and a JSON object, so a
// run killed at any moment leaves every line it finished, and a reader drops a cut-off or
// damaged line.
#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

// The manifest's name inside the backup folder.
inline constexpr const char* manifestName = "tarnwick-backup.jsonl";

struct BackedUpFile {
    std::string relative; // below the job's root, as the backup holds it
    std::int64_t size = -1;
    std::string hash;                  // content before the job (contentHash)
    std::vector<std::string> produced; // contents the job put in its place, in order
    std::string result;                // what the job finished it with; empty when it never did
};

struct Manifest {
    int version = 0;
    std::string root;      // absolute folder the relative paths start from
    bool complete = false; // every original was copied and listed
    std::vector<BackedUpFile> files;
};

// Reads folder's manifest. False when there is none or its first line is no valid header.
bool readManifest(const std::string& folder, Manifest& manifest);

// Whether folder holds a manifest with a valid header: a backup this program made. Reads the
// first line only.
bool isBackupFolder(const std::string& folder);

// Writes a new backup's manifest. Thread-safe: the job's workers note their files at once.
class ManifestWriter {
public:
    // Creates folder's manifest with its header, before the originals are copied, so even a
    // backup cut short is known for ours. ok() tells whether that worked.
    ManifestWriter(const std::string& folder, const std::string& root);
    ~ManifestWriter();
    ManifestWriter(const ManifestWriter&) = delete;
    ManifestWriter& operator=(const ManifestWriter&) = delete;

    bool ok() const { return file != nullptr; }
    const std::string& root() const { return rootFolder; }

    // After the copy: whether the manifest is still the one written here (a copied tree whose top
    // holds a file of the same name replaces it), then one line for every original the folder
    // holds, with its size and hash, and a last line saying the list is whole.
    bool listOriginals();

    // Before content hash replaces the file: flushed to disk, since the replacement is too.
    // False when it could not be written; the file must then stay as it is.
    bool noteProduced(const std::string& relative, const std::string& hash);
    // The job is done with the file, which now holds hash.
    bool noteResult(const std::string& relative, const std::string& hash);

private:
    bool appendLine(const std::string& json, bool toDisk);

    std::mutex lock;
    std::string folder;
    std::string rootFolder;
    std::string header;
    std::FILE* file = nullptr;
};
