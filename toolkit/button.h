// liveButton: a push button whose clicks run a callback on the command thread.
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/command_table.h"
#include "toolkit/window.h"

class liveButton : public liveWindow {
public:
    // Takes the command table's next identifier, which is also its Win32 control identifier.
    liveButton(liveWindow* parent, int x, int y, int width, int height, const std::string& label);

    // What a click runs from now on; a button without a callback ignores clicks.
    void setCallback(liveCallback callback);

    std::uint32_t commandId = 0;
};
