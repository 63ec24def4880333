#include "toolkit/text_ctrl.h"

#include <vector>

liveControl::liveControl(liveWindow* parentWindow) : liveWindow(parentWindow) {}

liveTextCtrl::liveTextCtrl(liveWindow* parentWindow, int x, int y, int width, int height,
                           const std::string& text, DWORD style)
    : liveControl(parentWindow)
{
    handle = CreateWindowExA(WS_EX_WINDOWEDGE, "edit", nullptr, style | WS_CHILD, x, y, width,
                             height, parentWindow ? parentWindow->handle : nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    SendMessageA(handle, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    // An edit control holds 30,000 characters unless told otherwise (0: as many as it can); the
    // log of one long job is more.
    SendMessageA(handle, EM_SETLIMITTEXT, 0, 0);
    if (!text.empty()) {
        SendMessageA(handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        UpdateWindow(handle);
    }
}

std::string liveTextCtrl::getText()
{
    const LRESULT length = SendMessageA(handle, WM_GETTEXTLENGTH, 0, 0);
    const std::size_t size = length > 0 ? static_cast<std::size_t>(length) : 0;
    std::vector<char> buffer(size + 1, '\0');
    SendMessageA(handle, WM_GETTEXT, size + 1, reinterpret_cast<LPARAM>(buffer.data()));
    return std::string(buffer.data());
}

liveTextCtrl& liveTextCtrl::append(const std::string& text)
{
    // Selecting the end and replacing the selection yields what get, concatenate and set would, at
    // the cost of the piece alone. The lock keeps the three messages of one append together.
    std::lock_guard<std::mutex> guard(appendLock);
    const LRESULT length = SendMessageA(handle, WM_GETTEXTLENGTH, 0, 0);
    const WPARAM end = length > 0 ? static_cast<WPARAM>(length) : 0;
    SendMessageA(handle, EM_SETSEL, end, static_cast<LPARAM>(end));
    SendMessageA(handle, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    UpdateWindow(handle);
    return *this;
}

liveMultilineTextCtrl::liveMultilineTextCtrl(liveWindow* parentWindow, int x, int y, int width,
                                             int height, const std::string& text, DWORD style)
    : liveTextCtrl(parentWindow, x, y, width, height, text, style)
{}
