// On Windows the system shows the windows itself: there is nothing to open.
#include "app/window/display_session.h"

bool openDisplay()
{
    return true;
}

void closeDisplay() {}
