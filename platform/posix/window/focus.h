// The window with the keyboard focus.
#pragma once

#include "platform/win32.h"

namespace winlayer {

// A destroyed window loses the focus.
void forgetFocus(HWND window);

} // namespace winlayer
