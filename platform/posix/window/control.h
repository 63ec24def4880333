// System controls ("edit", "BUTTON", "msctls_statusbar32"): their state lives in the layer and
// their messages run on the caller's thread under the control's own lock.
#pragma once

#include "platform/posix/window/window_class.h"
#include "platform/win32.h"
#include "platform/winlayer/state_queries.h"

#include <atomic>
#include <memory>
#include <string>

namespace winlayer {

struct Window;

class Control {
public:
    virtual ~Control() = default;
    // Handles a message on the calling thread, whichever thread owns the window.
    virtual LRESULT handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // The control's window text (an edit control's whole content).
    virtual std::string text() const = 0;

    // WM_SETFONT and WM_GETFONT, alike for every control; false for any other message.
    bool handleFont(UINT message, WPARAM wParam, LRESULT& result)
    {
        if (message == WM_SETFONT) {
            font_ = reinterpret_cast<HFONT>(wParam);
            result = 0;
            return true;
        }
        if (message == WM_GETFONT) {
            result = reinterpret_cast<LRESULT>(font_.load());
            return true;
        }
        return false;
    }

private:
    std::atomic<HFONT> font_{nullptr};
};

// The control state for a class, or null for a program's own class.
std::unique_ptr<Control> makeControl(ClassKind kind, DWORD style, const std::string& text);

std::unique_ptr<Control> makeEditControl(DWORD style, const std::string& text);
std::unique_ptr<Control> makeButton(const std::string& label);
std::unique_ptr<Control> makeStatusBar(const std::string& text);

// The status bar's parts and texts, if the control is a status bar.
bool readStatusBar(const Control& control, winlayer::StatusBarState& state);

// Height the status bar docks with, at the bottom of its parent's client area.
constexpr int kStatusBarHeight = 20;

} // namespace winlayer
