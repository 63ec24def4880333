// Check items on Windows: the system draws the check marks itself, so marking an item only
// checks that it exists.
#include "platform/winlayer/check_items.h"

namespace winlayer {

BOOL markCheckItem(HMENU menu, UINT id)
{
    if (GetMenuState(menu, id, MF_BYCOMMAND) == static_cast<UINT>(-1)) {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return FALSE;
    }
    return TRUE;
}

} // namespace winlayer
