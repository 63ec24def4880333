#include "toolkit/text_ctrl.h"

#include <vector>

namespace {

// Our own message to an edit control we made: append the text at lParam. The edit controls of
// this file are subclassed to take it, and keep the procedure they wrap in GWLP_USERDATA.
constexpr UINT appendAtEndMessage = WM_APP + 0x71;

// Selects the end and replaces the selection in one step of the control's own thread: input the
// user gives meanwhile (a click, Ctrl+A, a drag) waits until the piece is in, so it can never
// move where the piece goes. The user's selection is put back afterwards; a caret at the end
// stays at the new end.
void appendAtEnd(WNDPROC editProc, HWND edit, LPARAM text)
{
    auto call = [&](UINT message, WPARAM wParam, LPARAM lParam) {
        return CallWindowProcA(editProc, edit, message, wParam, lParam);
    };
    DWORD selStart = 0;
    DWORD selEnd = 0;
    call(EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
    const LRESULT length = call(WM_GETTEXTLENGTH, 0, 0);
    const DWORD end = length > 0 ? static_cast<DWORD>(length) : 0;
    call(EM_SETSEL, end, static_cast<LPARAM>(end));
    call(EM_REPLACESEL, FALSE, text);
    if (selStart == end && selEnd == end)
        return;
    call(EM_SETSEL, selStart, static_cast<LPARAM>(selEnd));
    // Putting the selection back may scroll to it (Wine's edit control does); the view follows
    // the end as the replacement left it.
    call(WM_VSCROLL, SB_BOTTOM, 0);
}

LRESULT CALLBACK appendingEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto editProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(edit, GWLP_USERDATA));
    if (message != appendAtEndMessage)
        return CallWindowProcA(editProc, edit, message, wParam, lParam);
    appendAtEnd(editProc, edit, lParam);
    return 0;
}

} // namespace

liveControl::liveControl(liveWindow* parentWindow) : liveWindow(parentWindow) {}

liveTextCtrl::liveTextCtrl(liveWindow* parentWindow, int x, int y, int width, int height,
                           const std::string& text, DWORD style)
    : liveControl(parentWindow)
{
    handle = CreateWindowExA(WS_EX_WINDOWEDGE, "edit", nullptr, style | WS_CHILD, x, y, width,
                             height, parentWindow ? parentWindow->handle : nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    const LONG_PTR editProc = GetWindowLongPtrA(handle, GWLP_WNDPROC);
    SetWindowLongPtrA(handle, GWLP_USERDATA, editProc);
    SetWindowLongPtrA(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&appendingEditProc));
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
    // One message, handled whole on the control's thread: appends from several threads stay
    // apart, and nothing the user does lands between selecting the end and replacing it.
    SendMessageA(handle, appendAtEndMessage, 0, reinterpret_cast<LPARAM>(text.c_str()));
    UpdateWindow(handle);
    return *this;
}

liveMultilineTextCtrl::liveMultilineTextCtrl(liveWindow* parentWindow, int x, int y, int width,
                                             int height, const std::string& text, DWORD style)
    : liveTextCtrl(parentWindow, x, y, width, height, text, style)
{}
