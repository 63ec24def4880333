// Reading the state of windows, status bars and menus in one call, for display drivers and tests.
#pragma once

#include "platform/win32.h"

#include <optional>
#include <string>
#include <vector>

namespace winlayer {

struct WindowState {
    HWND handle;
    std::string className; // as registered ("edit", "BUTTON", "msctls_statusbar32", ...)
    std::string text;      // window text; an edit control's whole content
    DWORD style;
    DWORD exStyle;
    RECT rect;       // outer rectangle: screen for top-level windows, parent's client for children
    RECT clientRect; // (0, 0, client width, client height)
    HWND parent;
    HMENU menu;  // the menu bar of a top-level window
    UINT_PTR id; // control identifier of a child window
    bool visible;
    bool acceptsFiles;
    DWORD threadId; // the owning thread
};

std::optional<WindowState> windowState(HWND window);
std::vector<HWND> topLevelWindows();
std::vector<HWND> childWindows(HWND parent);

struct StatusBarState {
    std::vector<int> rightEdges; // SB_SETPARTS values; -1 runs to the bar's end
    std::vector<std::string> texts;
};
std::optional<StatusBarState> statusBarState(HWND statusBar);

struct MenuItemState {
    UINT flags;  // MF_* type and state bits (MF_POPUP, MF_SEPARATOR, MF_CHECKED, MFT_RADIOCHECK...)
    UINT_PTR id; // command identifier; 0 for a popup
    HMENU subMenu;    // for MF_POPUP items
    std::string text; // with its "&" mnemonic marks
    bool checkItem;   // marked with markCheckItem (check_items.h), checked or not
};
std::optional<std::vector<MenuItemState>> menuState(HMENU menu);

} // namespace winlayer
