// MyFrame: the program's main window. A frame titled "Tarnwick 6.1" with the "&Options",
// "&Extensions" and "&Help" menus, a read-only log pane filling the client area and a two-part
// status bar. Files dropped on it are compressed on dropThread.
#pragma once

#include <string>
#include <vector>

#include "engine/engine_state.h"
#include "toolkit/toolkit.h"

class MyFrame : public liveFrame {
public:
    // Makes the program's folder the current folder, loads the settings, builds the menus from
    // them, the status bar and the log pane and turns drops on.
    MyFrame(const std::string& title, int x, int y, int width, int height);
    // Saves the settings, then destroys the window with its menus and controls.
    ~MyFrame() override;

    liveMenuBar* bar = nullptr;
    liveMenu* optionsMenu = nullptr;
    liveMenu* extensionsMenu = nullptr;
    liveMenu* helpMenu = nullptr;
    liveMultilineTextCtrl* logPane = nullptr;

    // The identifiers of the check items (the option toggles), for a display that must tell an
    // unchecked check item from a plain one.
    std::vector<UINT> checkItemIds;

    // The state of the window's jobs: the options its menus toggle, the running flag the Stop
    // command clears and the total its status bar shows.
    EngineState engine;
};

// Ends the running job at once, as Exit does: no further step starts, and the running tool is
// ended and its step undone.
void endJob(EngineState& state);

// The texts of the two Help boxes.
const char* instructionsText();
const char* aboutText();

// The drop handler: runs the whole compression job with the frame's log pane and status bar. A
// drop compresses its first path; the others are ignored.
void compressDroppedPaths(liveWindow* window, const std::vector<std::string>& paths);
