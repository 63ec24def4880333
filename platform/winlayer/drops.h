// Drops the window layer adds to Win32: what a display (or a test) uses to hand dropped files to
// a window as WM_DROPFILES.
#pragma once

#include "platform/win32.h"

#include <string>
#include <vector>

namespace winlayer {

// Creates a drop object holding the paths, in order. Freed by DragFinish.
HDROP createDrop(const std::vector<std::string>& paths);

// Posts WM_DROPFILES with a new drop of the paths to the window, or to its nearest ancestor,
// that accepts files. FALSE (and no drop left behind) when no such window exists.
BOOL postDropFiles(HWND target, const std::vector<std::string>& paths);

} // namespace winlayer
