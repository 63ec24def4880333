// A log pane follows its end as it grows, unless the user has scrolled up to read; scrolling
// back to the bottom follows again.
#pragma once

#include <gtk/gtk.h>

namespace gtkdisplay {

// Makes a text view follow its end from now on; the state lives as long as the view.
void followEnd(GtkWidget* textView);

// Whether the text view is scrolled to its last line.
bool scrolledToEnd(GtkWidget* textView);

} // namespace gtkdisplay
