// The "edit" control. Appending (the selection moved to the end, then replaced) costs time in
// proportion to the appended piece, never to the whole text.
#include "platform/posix/window/control.h"
#include "platform/posix/window/window_object.h"
#include "platform/winlayer/display_driver.h"

#include <algorithm>
#include <mutex>

namespace winlayer {
namespace {

class EditControl : public Control {
public:
    EditControl(DWORD style, const std::string& text)
        : text_(text), readOnly_((style & ES_READONLY) != 0),
          multiline_((style & ES_MULTILINE) != 0)
    {}

    LRESULT handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (LRESULT result; handleFont(message, wParam, result) ||
                            handleText(window, message, wParam, lParam, result))
            return result;
        switch (message) {
        case WM_NCCREATE:
            return TRUE;
        case EM_GETSEL: {
            std::lock_guard lock(mutex_);
            if (wParam)
                *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(selStart_);
            if (lParam)
                *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(selEnd_);
            if (selStart_ > 0xFFFF || selEnd_ > 0xFFFF)
                return -1;
            return MAKELRESULT(selStart_, selEnd_);
        }
        case EM_SETSEL: {
            std::lock_guard lock(mutex_);
            setSelection(static_cast<int>(static_cast<LONG>(wParam)),
                         static_cast<int>(static_cast<LONG>(lParam)));
            return 0;
        }
        case EM_REPLACESEL:
            replaceSelection(window, lParam ? reinterpret_cast<LPCSTR>(lParam) : "");
            return 0;
        case EM_SETREADONLY: {
            bool readOnly = wParam != 0;
            {
                std::lock_guard lock(mutex_);
                readOnly_ = readOnly;
            }
            std::lock_guard lock(window.mutex);
            window.style = readOnly ? (window.style | ES_READONLY) : (window.style & ~ES_READONLY);
            return TRUE;
        }
        case EM_GETLINECOUNT: {
            std::lock_guard lock(mutex_);
            if (!multiline_)
                return 1;
            return 1 + std::count(text_.begin(), text_.end(), '\n');
        }
        default:
            return DefWindowProcA(window.handle, message, wParam, lParam);
        }
    }

private:
    const std::string& windowText() const override { return text_; }

    // A new text is one whole change for the display, and leaves no selection.
    LRESULT setWindowText(Window& window, const char* text) override
    {
        std::lock_guard lock(mutex_);
        std::size_t removed = text_.size();
        text_.assign(text);
        selStart_ = selEnd_ = 0;
        displayDriver().textChanged(window.handle, {0, removed, text_});
        return TRUE;
    }

    // A negative start removes the selection; a negative end means the end of the text.
    void setSelection(int start, int end)
    {
        std::size_t length = text_.size();
        if (start < 0) {
            selStart_ = selEnd_;
            return;
        }
        std::size_t from = std::min<std::size_t>(static_cast<std::size_t>(start), length);
        std::size_t to =
            end < 0 ? length : std::min<std::size_t>(static_cast<std::size_t>(end), length);
        selStart_ = std::min(from, to);
        selEnd_ = std::max(from, to);
    }

    void replaceSelection(Window& window, const char* replacement)
    {
        std::lock_guard lock(mutex_);
        std::size_t start = std::min(selStart_, text_.size());
        std::size_t removed = std::min(selEnd_, text_.size()) - start;
        std::string_view piece(replacement);
        if (start == text_.size())
            text_.append(piece); // amortised: no copy of what is already there
        else
            text_.replace(start, removed, piece);
        selStart_ = selEnd_ = start + piece.size();
        displayDriver().textChanged(window.handle, {start, removed, piece});
    }

    std::string text_;
    std::size_t selStart_ = 0;
    std::size_t selEnd_ = 0;
    bool readOnly_;
    bool multiline_;
};

} // namespace

std::unique_ptr<Control> makeEditControl(DWORD style, const std::string& text)
{
    return std::make_unique<EditControl>(style, text);
}

} // namespace winlayer
