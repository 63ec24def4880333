#include "toolkit/button.h"

namespace {
constexpr DWORD buttonStyle = WS_CHILD | WS_VISIBLE;
} // namespace

liveButton::liveButton(liveWindow* parentWindow, int x, int y, int width, int height,
                       const std::string& label)
    : liveWindow(parentWindow)
{
    const std::uint32_t identifier = nextCommandId();
    handle = CreateWindowExA(WS_EX_WINDOWEDGE, "BUTTON", label.c_str(), buttonStyle, x, y, width,
                             height, parentWindow ? parentWindow->handle : nullptr,
                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(identifier)),
                             GetModuleHandleA(nullptr), nullptr);
    commandId = registerCommand(nullptr, buttonDispatcher, nullptr);
    SendMessageA(handle, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
}

void liveButton::setCallback(liveCallback callback)
{
    setCommandCallback(commandId, callback);
}
