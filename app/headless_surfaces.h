// The engine's log pane and status bar for a run without a window: the log text is kept and
// every appended piece is printed (with "\n" line ends); the status texts can be shown as one
// line on a terminal, updated in place.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>

#include "app/run_report.h"
#include "engine/report_surfaces.h"

class HeadlessSurfaces : public ReportSurfaces {
public:
    // log receives the mirrored log (null: keep only); status, when not null, receives the
    // status line, redrawn in place with "\r" and erase-line whenever the log is between lines.
    HeadlessSurfaces(std::FILE* log, std::FILE* status);
    ~HeadlessSurfaces() override;

    void append(const std::string& text) override;
    void setStatusText(int part, const std::string& text) override;
    // Counts the file and, when a JSON stream is set, writes its result there as one line.
    void fileFinished(const FileResult& result) override;

    // Where fileFinished writes each file's result as a JSON line (null: nowhere, the default).
    void setJsonStream(std::FILE* stream);
    RunTally tally() const;

    // Ends the status line so that what the terminal shows next starts on a line of its own.
    void finishStatusLine();

    // Whether appended pieces are kept for logText (the default) or only mirrored: a run's
    // printed log must not also grow in memory with the batch.
    void keepLog(bool keep);
    std::string logText() const;
    std::string statusText(int part) const;

private:
    void eraseStatusLine();
    void drawStatusLine();

    mutable std::mutex lock;
    std::FILE* log;
    std::FILE* status;
    std::FILE* json = nullptr;
    RunTally files;
    std::string text;
    std::string parts[2];
    bool pendingReturn = false; // a "\r" whose line feed may follow in the next piece
    bool atLineStart = true;    // the mirrored log ends with a full line
    bool statusShown = false;   // the status line is on the terminal now
    bool keeping = true;
};

// Turns "\r\n" into "\n" in a log piece; pendingReturn carries a trailing "\r" to the next piece.
std::string toTerminalLineEnds(const std::string& piece, bool& pendingReturn);
