// A byte-exact copy of an edit control's text, kept from the layer's change notifications, that
// knows which part the display has not shown yet.
#pragma once

#include <cstddef>
#include <string>

#include "platform/win32.h"
#include "platform/winlayer/display_driver.h"

namespace gtkdisplay {

class TextMirror {
public:
    // Applies a change as the layer reports it.
    void apply(const winlayer::TextChange& change);

    // What the display must do next: append `text` at its end, or (whole) replace everything
    // it shows by `text`. Marks the returned part as shown.
    struct Update {
        bool whole = false;
        std::string text; // UTF-8
    };
    Update takeUpdate();

    // Whether takeUpdate would return anything.
    bool hasUpdate() const;

    // Marks everything as needing to be shown again (a new widget).
    void showAllAgain();

    const std::string& bytes() const { return text; }

private:
    std::string text;
    std::size_t shown = 0;   // bytes already handed to the display
    bool wholeNeeded = true; // the display must start over
};

} // namespace gtkdisplay
