// Building the widgets of a child window according to its class.
#pragma once

#include <string>

#include "platform/gtk/display_state.h"
#include "platform/winlayer/state_queries.h"

namespace gtkdisplay {

// Whether a registered class name is `wanted`; class names do not depend on case.
bool isClass(const std::string& name, const char* wanted);

// Makes the view's widgets (outer, and textView, entry, button or container) for the child
// window `known` describes; view.handle must be set.
void buildControlWidgets(View& view, const winlayer::WindowState& known);

} // namespace gtkdisplay
