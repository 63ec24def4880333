#include "platform/posix/window/control.h"

#include "platform/posix/window/text_copy.h"

namespace winlayer {

bool Control::handleFont(UINT message, WPARAM wParam, LRESULT& result)
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

bool Control::handleText(Window& window, UINT message, WPARAM wParam, LPARAM lParam,
                         LRESULT& result)
{
    switch (message) {
    case WM_SETTEXT:
        result = setWindowText(window, lParam ? reinterpret_cast<LPCSTR>(lParam) : "");
        return true;
    case WM_GETTEXT: {
        std::lock_guard lock(mutex_);
        result = copyTextOut(windowText(), wParam, lParam);
        return true;
    }
    case WM_GETTEXTLENGTH: {
        std::lock_guard lock(mutex_);
        result = static_cast<LRESULT>(windowText().size());
        return true;
    }
    default:
        return false;
    }
}

std::unique_ptr<Control> makeControl(ClassKind kind, DWORD style, const std::string& text)
{
    switch (kind) {
    case ClassKind::Edit:
        return makeEditControl(style, text);
    case ClassKind::Button:
        return makeButton(text);
    case ClassKind::StatusBar:
        return makeStatusBar(text);
    case ClassKind::User:
        break;
    }
    return nullptr;
}

} // namespace winlayer
