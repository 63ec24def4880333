// The two surfaces the engine reports to: the log pane and the two-part status bar.
// The window implements them with its controls; headless runs keep the text and print it.
#pragma once

#include <cstdint>
#include <string>

#include "engine/file_result.h"

class ReportSurfaces {
public:
    virtual ~ReportSurfaces() = default;

    // Adds text at the end of the log, as is (lines end with "\r\n"). Safe from any thread.
    virtual void append(const std::string& text) = 0;

    // Replaces the text of status part 0 (file counter) or 1 (total saved). Safe from any thread.
    virtual void setStatusText(int part, const std::string& text) = 0;

    // Called once per file when its steps are over, from the thread that compressed it.
    virtual void fileFinished(const FileResult&) {}

    // The job found count more files that it will compress (those of its shard).
    virtual void filesFound(std::uint64_t) {}
    // The job has taken its last path: the files found from it, if any, complete the count.
    virtual void allPathsTaken() {}
};
