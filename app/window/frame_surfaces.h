// The engine's two reporting surfaces on the main window: its log pane and its status bar.
#pragma once

#include <string>

#include "engine/report_surfaces.h"

class MyFrame;

class FrameSurfaces : public ReportSurfaces {
public:
    explicit FrameSurfaces(MyFrame& frame) : frame(frame) {}

    // Adds the text at the end of the log pane.
    void append(const std::string& text) override;
    // SB_SETTEXTA on the frame's status bar.
    void setStatusText(int part, const std::string& text) override;

private:
    MyFrame& frame;
};
