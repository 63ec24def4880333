// liveStatusBar: the status bar control; it docks itself at the bottom of its parent on WM_SIZE.
#pragma once

#include "toolkit/window.h"

class liveStatusBar : public liveWindow {
public:
    explicit liveStatusBar(liveWindow* parent);

    // Splits the bar into count parts whose right edges double from part to part.
    void setParts(unsigned count);
};

inline constexpr int statusBarId = 101;
