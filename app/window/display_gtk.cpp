// On Linux the windows are shown by the GTK display driver.
#include "app/window/display_session.h"

#include <cstdio>
#include <memory>

#include "platform/gtk/gtk_display.h"
#include "platform/winlayer/display_driver.h"

namespace {
std::unique_ptr<gtkdisplay::GtkDisplay> display;
} // namespace

bool openDisplay()
{
    display = gtkdisplay::GtkDisplay::open();
    if (!display) {
        std::fputs(
            "tarnwick: cannot open the display (is DISPLAY set?); to compress without a window, "
            "give a path: tarnwick PATH\n",
            stderr);
        return false;
    }
    winlayer::setDisplayDriver(display.get());
    return true;
}

void closeDisplay()
{
    winlayer::setDisplayDriver(nullptr);
    display.reset();
}
