// System controls ("edit", "BUTTON", "msctls_statusbar32"): their state lives in the layer and
// their messages run on the caller's thread under the control's own lock. A subclassed control's
// procedure runs on the caller's thread as well, one call at a time (Window::subclassLock).
#pragma once

#include "platform/posix/window/window_class.h"
#include "platform/win32.h"
#include "platform/winlayer/state_queries.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

namespace winlayer {

struct Window;

class Control {
public:
    virtual ~Control() = default;
    // Handles a message on the calling thread, whichever thread owns the window.
    virtual LRESULT handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) = 0;

    // The control's window text (an edit control's whole content).
    std::string text() const
    {
        std::lock_guard lock(mutex_);
        return windowText();
    }

    // WM_SETFONT and WM_GETFONT, alike for every control; false for any other message.
    bool handleFont(UINT message, WPARAM wParam, LRESULT& result);

    // WM_SETTEXT, WM_GETTEXT and WM_GETTEXTLENGTH, alike for every control but for what storing
    // a new text does (setWindowText); false for any other message.
    bool handleText(Window& window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

protected:
    // The window text; call with mutex_ held.
    virtual const std::string& windowText() const = 0;
    // Stores a new window text and tells the display driver; WM_SETTEXT's result. Takes mutex_.
    virtual LRESULT setWindowText(Window& window, const char* text) = 0;

    // The control's own lock: guards the text and whatever else the control keeps.
    mutable std::mutex mutex_;

private:
    std::atomic<HFONT> font_{nullptr};
};

// The control state for a class, or null for a program's own class.
std::unique_ptr<Control> makeControl(ClassKind kind, DWORD style, const std::string& text);

std::unique_ptr<Control> makeEditControl(DWORD style, const std::string& text);
std::unique_ptr<Control> makeButton(const std::string& label);
std::unique_ptr<Control> makeStatusBar(const std::string& text);

// The status bar's parts and texts, if the control is a status bar.
bool readStatusBar(const Control& control, StatusBarState& state);

// Height the status bar docks with, at the bottom of its parent's client area.
constexpr int kStatusBarHeight = 20;

} // namespace winlayer
