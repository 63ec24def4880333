// The GTK 3 display driver: shows the layer's top-level windows (and their children, menus and
// message boxes) with GTK once they are shown, and turns what the user does into posted
// messages: menu choice -> WM_COMMAND, resize -> WM_SIZE, close box -> WM_CLOSE, dropped files ->
// WM_DROPFILES. Windows never shown never touch GTK.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32.h"
#include "platform/winlayer/display_driver.h"

namespace gtkdisplay {

class DisplayState;

class GtkDisplay : public winlayer::DisplayDriver {
public:
    // Connects to the desktop's display. Null when there is none (no $DISPLAY, or the server
    // refuses). The calling thread becomes the display's thread: it must be the thread that runs
    // the message loop, since GTK is served from inside PeekMessageA and the waits for input.
    static std::unique_ptr<GtkDisplay> open();
    // Closes every window the display made and answers the boxes still open.
    ~GtkDisplay() override;

    GtkDisplay(const GtkDisplay&) = delete;
    GtkDisplay& operator=(const GtkDisplay&) = delete;

    // Check items come from the layer (winlayer::markCheckItem, which the toolkit's check items
    // use); an item ever checked is one anyway. Items this query accepts are shown as check
    // items too: a leftover for callers written before the layer kept the mark.
    void setCheckItemQuery(std::function<bool(UINT id)> query);

    // Applies the changes other threads reported. Display thread only.
    void flush();

    // What the display shows, for tests. Display thread only.
    std::string shownText(HWND edit);
    std::vector<std::string> shownStatusTexts(HWND statusBar);
    // Whether a multi-line edit control is scrolled to its last line.
    bool shownAtEnd(HWND edit);
    // The selection in a multi-line edit control's view: first and last-but-one character (not
    // byte) offsets, equal when nothing is selected.
    std::pair<int, int> shownSelection(HWND edit);
    struct ShownMenuItem {
        int depth;         // 0 for the menu bar's popups
        std::string label; // GTK's form, "_" before the mnemonic
        bool separator;
        bool check;  // shown as a check item
        bool active; // its check mark is on
        bool operator==(const ShownMenuItem&) const = default;
    };
    std::vector<ShownMenuItem> shownMenu(HWND topLevel);
    // The boxes on screen now (caption and text), oldest first. Any thread.
    std::vector<std::pair<std::string, std::string>> openMessageBoxes();

    // DisplayDriver
    void windowCreated(HWND window) override;
    void windowShown(HWND window, bool visible) override;
    void windowMoved(HWND window, const RECT& outer) override;
    void windowTextChanged(HWND window) override;
    void windowDestroyed(HWND window) override;
    void textChanged(HWND edit, const winlayer::TextChange& change) override;
    void statusChanged(HWND statusBar, int part) override;
    void menuBarChanged(HWND window) override;
    void menuChanged(HMENU menu) override;
    void menuItemStateChanged(HMENU menu, UINT position, UINT flags) override;
    int messageBox(HWND owner, const std::string& text, const std::string& caption,
                   UINT type) override;
    void pumpEvents() override;
    void waitForInput(int queueDescriptor, DWORD milliseconds) override;
    winlayer::NonClientMetrics nonClientMetrics() const override;

private:
    GtkDisplay();

    std::unique_ptr<DisplayState> state;
};

} // namespace gtkdisplay
