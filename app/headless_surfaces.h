// The engine's log pane and status bar for a run without a window: the log text is kept and
// every appended piece is printed (with "\n" line ends); the status texts can be shown as one
// line on a terminal, updated in place.
#pragma once

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>

#include "app/progress_line.h"
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
    void filesFound(std::uint64_t count) override;
    void allPathsTaken() override;

    // From now on the status line shows the job's progress (progressText) instead of the status
    // texts, with new figures at most once an interval (the first an interval after this call);
    // each log line is printed whole, once it has ended. finishStatusLine clears the line and
    // prints what is left of the log.
    void showProgress(std::chrono::milliseconds interval);
    // Whether logText keeps the log (the default); a long run's log need not stay in memory.
    void keepLogText(bool keep);
    // Prints a line of text on stream with the status line out of its way.
    void notice(std::FILE* stream, const std::string& line);
    FileProgress progress() const;

    // Where fileFinished writes each file's result as a JSON line (null: nowhere, the default).
    void setJsonStream(std::FILE* stream);
    RunTally tally() const;

    // Ends the status line so that what the terminal shows next starts on a line of its own.
    void finishStatusLine();

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
    FileProgress counts;
    bool keepText = true;
    bool progressShown = false; // the status line shows progressText
    std::chrono::milliseconds interval{0};
    std::chrono::steady_clock::time_point started;
    std::chrono::steady_clock::time_point lastDrawn;
    std::string shownProgress; // the progress line's last text
    std::string heldBack;      // with the progress line: the log's unfinished line
    std::string text;
    std::string parts[2];
    bool pendingReturn = false; // a "\r" whose line feed may follow in the next piece
    bool atLineStart = true;    // the mirrored log ends with a full line
    bool statusShown = false;   // the status line is on the terminal now
};

// Turns "\r\n" into "\n" in a log piece; pendingReturn carries a trailing "\r" to the next piece.
std::string toTerminalLineEnds(const std::string& piece, bool& pendingReturn);
