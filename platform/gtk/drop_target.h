// Files dragged from a file manager onto a widget, handed to a layer window as WM_DROPFILES.
#pragma once

#include <gtk/gtk.h>

#include "platform/win32.h"

namespace gtkdisplay {

// Files dropped on the widget go to the layer window `target` (or the ancestor that takes them).
void acceptFileDrops(GtkWidget* widget, HWND target);

// The same for a top-level GtkWindow, which is no drop destination of its own until made one.
void acceptFileDropsOnWindow(GtkWidget* window, HWND target);

} // namespace gtkdisplay
