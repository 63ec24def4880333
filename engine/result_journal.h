// Hears which contents a job puts in place of its files, so that the backup made for them can
// later tell the job's results from a user's edits.
#pragma once

#include <string>

class ResultJournal {
public:
    virtual ~ResultJournal() = default;
    // Content hash is about to replace the file path. False when that could not be noted: the
    // file must then stay as it is.
    virtual bool aboutToReplace(const std::string& path, const std::string& hash) = 0;
    // The job is done with path, which now holds content hash.
    virtual void finished(const std::string& path, const std::string& hash) = 0;
    // Whether the job's backups take note of path at all: the content hash is only worth
    // computing for such files.
    virtual bool covers(const std::string& path) const = 0;
};
