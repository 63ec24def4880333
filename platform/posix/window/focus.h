// The window with the keyboard focus.
#pragma once

#include "platform/win32.h"

namespace posix_window {

// A destroyed window loses the focus.
void forgetFocus(HWND window);

} // namespace posix_window
