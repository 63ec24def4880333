// The status bar control: parts with right edges and texts; on WM_SIZE it docks itself at the
// bottom of its parent's client area, as wide as the parent.
#include "platform/posix/window/control.h"
#include "platform/posix/window/window_object.h"
#include "platform/winlayer/display_driver.h"
#include "platform/winlayer/state_queries.h"

#include <cstring>
#include <mutex>
#include <vector>

namespace winlayer {
namespace {

constexpr std::size_t kMaxParts = 256;
constexpr unsigned kSimplePart = 255;

class StatusBar : public Control {
public:
    explicit StatusBar(const std::string& text) : texts_{text}, types_{0} {}

    LRESULT handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (LRESULT result; handleFont(message, wParam, result) ||
                            handleText(window, message, wParam, lParam, result))
            return result;
        switch (message) {
        case WM_NCCREATE:
            return TRUE;
        case SB_SETPARTS:
            return setParts(window, wParam, reinterpret_cast<const int*>(lParam));
        case SB_GETPARTS: {
            std::lock_guard lock(mutex_);
            if (lParam) {
                std::size_t count = std::min<std::size_t>(wParam, edges_.size());
                std::memcpy(reinterpret_cast<int*>(lParam), edges_.data(), count * sizeof(int));
            }
            return static_cast<LRESULT>(edges_.size());
        }
        case SB_SETTEXTA:
            return setText(window, LOBYTE(wParam), static_cast<UINT>(wParam & 0xFF00),
                           lParam ? reinterpret_cast<LPCSTR>(lParam) : "");
        case SB_GETTEXTA:
        case SB_GETTEXTLENGTHA: {
            std::lock_guard lock(mutex_);
            std::size_t part = LOBYTE(wParam);
            if (part >= texts_.size())
                return 0;
            // SB_GETTEXTA has no buffer size: the caller sizes it with SB_GETTEXTLENGTHA first.
            if (message == SB_GETTEXTA && lParam)
                std::memcpy(reinterpret_cast<char*>(lParam), texts_[part].c_str(),
                            texts_[part].size() + 1);
            return MAKELRESULT(texts_[part].size(), types_[part]);
        }
        case WM_SIZE:
            dock(window);
            return 0;
        default:
            return DefWindowProcA(window.handle, message, wParam, lParam);
        }
    }

    void read(StatusBarState& state) const
    {
        std::lock_guard lock(mutex_);
        state.rightEdges = edges_;
        state.texts = texts_;
    }

private:
    // The window text is the first part's text.
    const std::string& windowText() const override { return texts_[0]; }
    LRESULT setWindowText(Window& window, const char* text) override
    {
        return setText(window, 0, 0, text);
    }

    LRESULT setParts(Window& window, WPARAM count, const int* edges)
    {
        if (count == 0 || count > kMaxParts || !edges)
            return FALSE;
        {
            std::lock_guard lock(mutex_);
            edges_.assign(edges, edges + count);
            texts_.resize(count);
            types_.resize(count);
        }
        displayDriver().statusChanged(window.handle, -1);
        return TRUE;
    }

    LRESULT setText(Window& window, unsigned part, UINT type, const char* text)
    {
        {
            std::lock_guard lock(mutex_);
            if (part == kSimplePart || part >= texts_.size())
                return FALSE;
            texts_[part] = text;
            types_[part] = type;
        }
        displayDriver().statusChanged(window.handle, static_cast<int>(part));
        return TRUE;
    }

    void dock(Window& window)
    {
        HWND parent;
        {
            std::lock_guard lock(window.mutex);
            parent = window.parent;
        }
        RECT client;
        if (!parent || !GetClientRect(parent, &client))
            return;
        RECT placed{0, std::max<LONG>(0, client.bottom - kStatusBarHeight), client.right,
                    client.bottom};
        {
            std::lock_guard lock(window.mutex);
            window.rect = placed;
        }
        displayDriver().windowMoved(window.handle, placed);
    }

    std::vector<int> edges_{-1};
    std::vector<std::string> texts_;
    std::vector<UINT> types_;
};

} // namespace

std::unique_ptr<Control> makeStatusBar(const std::string& text)
{
    return std::make_unique<StatusBar>(text);
}

bool readStatusBar(const Control& control, StatusBarState& state)
{
    const auto* statusBar = dynamic_cast<const StatusBar*>(&control);
    if (!statusBar)
        return false;
    statusBar->read(state);
    return true;
}

} // namespace winlayer
