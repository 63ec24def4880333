// The display driver: the one interface between the window layer and whatever shows its windows.
// The layer tells the driver what changed; the driver reads the state it needs with the queries
// of state_queries.h and reports the user's actions back with displayResized / displayMoved or
// posted messages. The null driver (the default) shows nothing, for tests and headless runs.
#pragma once

#include "platform/win32.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace winlayer {

// A change of an edit control's text: `removed` bytes at `start` were replaced by `inserted`.
// An append is start == old length, removed == 0.
struct TextChange {
    std::size_t start;
    std::size_t removed;
    std::string_view inserted;
};

struct NonClientMetrics {
    int captionHeight;
    int menuBarHeight;
    int frameWidth;  // each side of a WS_THICKFRAME window
    int borderWidth; // each side of a WS_BORDER / WS_DLGFRAME window
};

// What a display needs to know. Notifications arrive on the thread that made the change (often
// not the display's thread) and must return quickly: queue the change and apply it on the
// display's own thread. textChanged is called under the control's lock, so changes arrive in
// their order; it must not call back into the layer for that control, and a lock it takes there
// must not be held while the driver calls the layer's query functions. A control written from
// another thread while its window is destroyed may report one last change after windowDestroyed:
// ignore handles no longer known.
class DisplayDriver {
public:
    virtual ~DisplayDriver() = default;

    virtual void windowCreated(HWND) {}
    virtual void windowShown(HWND, bool /*visible*/) {}
    virtual void windowMoved(HWND, const RECT& /*outer*/) {}
    virtual void windowTextChanged(HWND) {} // title or label (not edit controls)
    virtual void windowDestroyed(HWND) {}   // before the window's state is gone
    virtual void textChanged(HWND /*edit*/, const TextChange&) {}
    virtual void statusChanged(HWND /*statusBar*/, int /*part, -1: the parts themselves*/) {}
    virtual void menuBarChanged(HWND) {} // SetMenu, DrawMenuBar
    virtual void menuChanged(HMENU) {}   // items appended, destroyed or marked as check items
    virtual void menuItemStateChanged(HMENU, UINT /*position*/, UINT /*flags*/) {}

    // Shows a box and returns the answer; called on the thread that calls MessageBoxA.
    virtual int messageBox(HWND owner, const std::string& text, const std::string& caption,
                           UINT type);

    // Lets the display handle its pending events without blocking; PeekMessageA calls it on
    // whichever thread peeks, so a driver acts only on its own thread.
    virtual void pumpEvents() {}
    // Sleeps until queueDescriptor is readable, the display has events, or the time passes
    // (INFINITE: no limit). Called by every thread that waits for input; the default polls.
    virtual void waitForInput(int queueDescriptor, DWORD milliseconds);

    virtual NonClientMetrics nonClientMetrics() const { return {23, 20, 8, 1}; }
};

// Installs a driver (not owned; it must outlive its use); null restores the null driver.
void setDisplayDriver(DisplayDriver* driver);
DisplayDriver& displayDriver();

// User actions reported by a display: the window's new outer size or position, with the
// resulting WM_SIZE / WM_MOVE posted to the window (the driver is not told back).
BOOL displayResized(HWND window, int outerWidth, int outerHeight);
BOOL displayMoved(HWND window, int x, int y);

} // namespace winlayer
