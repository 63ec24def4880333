// A layer rectangle's size as GTK takes it: never negative.
#pragma once

#include <algorithm>

#include "platform/win32.h"

namespace gtkdisplay {

inline int rectWidth(const RECT& rect)
{
    return std::max<LONG>(rect.right - rect.left, 0);
}

inline int rectHeight(const RECT& rect)
{
    return std::max<LONG>(rect.bottom - rect.top, 0);
}

} // namespace gtkdisplay
