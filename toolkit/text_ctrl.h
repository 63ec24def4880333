// Edit controls: liveControl is the base of controls, liveTextCtrl a single edit control,
// liveMultilineTextCtrl the multi-line kind the log pane uses.
#pragma once

#include <string>

#include "toolkit/window.h"

class liveControl : public liveWindow {
public:
    explicit liveControl(liveWindow* parent);
};

class liveTextCtrl : public liveControl {
public:
    // Creates an "edit" child of parent with style | WS_CHILD and the default GUI font; text, if
    // not empty, becomes its content.
    liveTextCtrl(liveWindow* parent, int x, int y, int width, int height, const std::string& text,
                 DWORD style);

    std::string getText();
    // Adds text at the end of the content. Costs time in proportion to text, not to the content,
    // and appends from several threads never lose or split one another. A selection the user
    // made stays as it was.
    liveTextCtrl& append(const std::string& text);
};

class liveMultilineTextCtrl : public liveTextCtrl {
public:
    liveMultilineTextCtrl(liveWindow* parent, int x, int y, int width, int height,
                          const std::string& text, DWORD style);
};

// The log pane's style: visible, bordered, vertical scroll bar, Enter accepted, read-only,
// automatic scrolling, multi-line.
inline constexpr DWORD logPaneStyle = WS_VISIBLE | WS_BORDER | WS_VSCROLL | ES_WANTRETURN |
                                      ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_MULTILINE;
