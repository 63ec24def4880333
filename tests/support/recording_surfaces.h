// A ReportSurfaces that keeps the log and every status text set, for tests. Thread-safe.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "engine/report_surfaces.h"

class RecordingSurfaces : public ReportSurfaces {
public:
    void append(const std::string& text) override;
    void setStatusText(int part, const std::string& text) override;

    std::string log() const;
    // Every text set on the part, in order.
    std::vector<std::string> statusHistory(int part) const;
    // The part's current text (empty when never set).
    std::string status(int part) const;

private:
    mutable std::mutex lock;
    std::string text;
    std::vector<std::string> history[2];
};

// Joins lines, each followed by "\r\n", the way the engine ends every log line.
std::string logLines(const std::vector<std::string>& lines);
