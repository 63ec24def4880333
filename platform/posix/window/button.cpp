// The push button: a click sends WM_COMMAND with BN_CLICKED and the button's identifier to its
// parent.
#include "platform/posix/window/control.h"
#include "platform/posix/window/window_object.h"
#include "platform/winlayer/display_driver.h"

#include <mutex>

namespace winlayer {
namespace {

class Button : public Control {
public:
    explicit Button(const std::string& label) : label_(label) {}

    LRESULT handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (LRESULT result; handleFont(message, wParam, result) ||
                            handleText(window, message, wParam, lParam, result))
            return result;
        switch (message) {
        case WM_NCCREATE:
            return TRUE;
        case BM_CLICK:
            click(window);
            return 0;
        default:
            return DefWindowProcA(window.handle, message, wParam, lParam);
        }
    }

private:
    const std::string& windowText() const override { return label_; }

    LRESULT setWindowText(Window& window, const char* text) override
    {
        {
            std::lock_guard lock(mutex_);
            label_ = text;
        }
        displayDriver().windowTextChanged(window.handle);
        return TRUE;
    }

    static void click(Window& window)
    {
        HWND parent;
        UINT_PTR id;
        {
            std::lock_guard lock(window.mutex);
            if (window.style & WS_DISABLED)
                return;
            parent = window.parent;
            id = window.id;
        }
        if (parent)
            SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                         reinterpret_cast<LPARAM>(window.handle));
    }

    std::string label_;
};

} // namespace

std::unique_ptr<Control> makeButton(const std::string& label)
{
    return std::make_unique<Button>(label);
}

} // namespace winlayer
