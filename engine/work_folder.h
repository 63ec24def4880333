// Where a step works: a private folder beside the file, so the file itself is only ever replaced
// by one rename of a complete, checked and flushed result.
#pragma once

#include <string>
#include <vector>

// The name every work folder begins with; folder walks never collect anything inside one.
inline constexpr const char* workFolderPrefix = ".tarnwick-";

class WorkFolder {
public:
    // Creates FOLDER-OF(path)/.tarnwick-PID-XXXXXX with mode 0700, exclusively: nobody else can
    // plant a link or a file in it. ok() tells whether that worked; error() why not.
    explicit WorkFolder(const std::string& path);
    // Removes the folder with everything in it.
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    bool ok() const { return !folder.empty(); }
    const std::string& error() const { return failure; }

    // A path inside the folder named "work" + the original file's suffix (the tools may look at
    // it), with tag before the suffix to tell files apart.
    std::string file(const std::string& tag) const;

private:
    std::string folder;
    std::string suffix;
    std::string failure;
};

// Copies the regular file from to the new file to (created exclusively, never through a link).
// Returns an empty text, or why it failed.
std::string copyFileExclusive(const std::string& from, const std::string& to);

// Makes result take the place of path: the original's mode, owner and group (and, with
// keepDates, its access and modification times) are given to result, which is flushed to disk
// and renamed over path; then the folder is flushed. A file with several hard links keeps them:
// its content is rewritten in place instead (see the .cpp). Returns an empty text, or why not.
std::string replaceFile(const std::string& path, const std::string& result, bool keepDates);

// A file whose in-place rewrite a killed run left unfinished and that was left as it is.
struct UnfinishedRewrite {
    std::string path;
    std::string reason; // why it was not finished
};

// Removes the work folders a killed run left in folder (and, with recursive, below it): only
// folders named like ours, owned by this user, whose process is gone. A rewrite in place that
// the run left half done is finished first where the file is provably still the one it was
// writing; the files left alone instead are returned.
std::vector<UnfinishedRewrite> removeLeftoverWorkFolders(const std::string& folder, bool recursive);

// Whether a name (the last path component) is one of our work folders.
bool isWorkFolderName(const std::string& name);
