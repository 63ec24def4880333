// Menu bars and popup menus whose items run callbacks through the command table.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"
#include "toolkit/command_table.h"

class liveMenu {
public:
    // Creates a popup menu and appends it to parent under label.
    liveMenu(HMENU parent, const std::string& label);

    // Each add returns the item's record (owned by the command table); a null itemThread runs the
    // callback on the command thread.
    liveMenuItem* addItem(liveCallback callback, const std::string& label,
                          Thread* itemThread = nullptr);
    liveMenuItem* addCheckItem(liveCallback callback, const std::string& label, bool checked,
                               Thread* itemThread = nullptr);
    // groupFirst is where the open radio group began (beginRadioGroup).
    liveMenuItem* addRadioItem(liveCallback callback, const std::string& label, bool checked,
                               Thread* itemThread = nullptr);
    // Separators take no identifier; all carry 256.
    void addSeparator();

    HMENU handle = nullptr;

private:
    liveMenuItem* add(UINT flags, liveCallback callback, liveDispatcher dispatcher,
                      const std::string& label, Thread* itemThread);
};

class liveMenuBar {
public:
    liveMenuBar();
    // Frees the popup objects; their menus are destroyed by the frame that owns the bar.
    ~liveMenuBar();
    liveMenuBar(const liveMenuBar&) = delete;
    liveMenuBar& operator=(const liveMenuBar&) = delete;

    liveMenu* addMenu(const std::string& label);

    HMENU handle = nullptr;
    std::vector<liveMenu*> popups;
};
