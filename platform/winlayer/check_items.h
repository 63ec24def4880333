// Check items: a Win32 menu cannot tell an unchecked check item from a plain item, so a display
// that draws check items itself learns it from this mark. On Windows the system draws the marks
// and the mark is not needed.
#pragma once

#include "platform/win32.h"

namespace winlayer {

// Marks the item with command identifier `id` (searched through the popups, as MF_BYCOMMAND
// does) as a check item: the state queries report it as one, and the display driver is told
// the menu changed. FALSE if there is no such item.
BOOL markCheckItem(HMENU menu, UINT id);

} // namespace winlayer
