// Outer and client rectangles.
#pragma once

#include "platform/win32.h"

namespace winlayer {

struct Window;

// The widths of the non-client edges (caption, menu bar, frame) for a window's style; call with
// the window's mutex held.
RECT nonClientInsetsLocked(const Window& window);

// Client width and height; call with the window's mutex held.
POINT clientSizeLocked(const Window& window);

} // namespace winlayer
