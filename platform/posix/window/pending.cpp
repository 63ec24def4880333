// Calls whose real bodies are still being written; each fails the Win32 way for now.
#include "platform/win32.h"

#define FAIL_WITH(value) do { SetLastError(ERROR_INVALID_PARAMETER); return value; } while (0)

ATOM RegisterClassExA(const WNDCLASSEXA*) { FAIL_WITH(0); }
BOOL UnregisterClassA(LPCSTR, HINSTANCE) { FAIL_WITH(FALSE); }
HWND CreateWindowExA(DWORD, LPCSTR, LPCSTR, DWORD, int, int, int, int, HWND, HMENU, HINSTANCE, LPVOID) { FAIL_WITH(nullptr); }
BOOL DestroyWindow(HWND) { FAIL_WITH(FALSE); }
LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) { return 0; }
LRESULT CallWindowProcA(WNDPROC p, HWND h, UINT m, WPARAM w, LPARAM l) { return p ? p(h, m, w, l) : 0; }
BOOL ShowWindow(HWND, int) { FAIL_WITH(FALSE); }
BOOL IsWindowVisible(HWND) { return FALSE; }
BOOL MoveWindow(HWND, int, int, int, int, BOOL) { FAIL_WITH(FALSE); }
BOOL GetClientRect(HWND, LPRECT) { FAIL_WITH(FALSE); }
BOOL GetWindowRect(HWND, LPRECT) { FAIL_WITH(FALSE); }
BOOL UpdateWindow(HWND) { FAIL_WITH(FALSE); }
BOOL InvalidateRect(HWND, const RECT*, BOOL) { FAIL_WITH(FALSE); }
BOOL IsWindow(HWND) { return FALSE; }
HWND GetParent(HWND) { FAIL_WITH(nullptr); }
BOOL SetWindowTextA(HWND, LPCSTR) { FAIL_WITH(FALSE); }
int GetWindowTextA(HWND, LPSTR, int) { FAIL_WITH(0); }
int GetWindowTextLengthA(HWND) { FAIL_WITH(0); }
HWND GetDlgItem(HWND, int) { FAIL_WITH(nullptr); }
int GetDlgCtrlID(HWND) { FAIL_WITH(0); }
HWND SetFocus(HWND) { FAIL_WITH(nullptr); }
HWND GetFocus() { return nullptr; }
LONG_PTR GetWindowLongPtrA(HWND, int) { FAIL_WITH(0); }
LONG_PTR SetWindowLongPtrA(HWND, int, LONG_PTR) { FAIL_WITH(0); }
DWORD GetWindowThreadProcessId(HWND, LPDWORD) { FAIL_WITH(0); }
int GetClassNameA(HWND, LPSTR, int) { FAIL_WITH(0); }
BOOL PostMessageA(HWND, UINT, WPARAM, LPARAM) { FAIL_WITH(FALSE); }
BOOL PostThreadMessageA(DWORD, UINT, WPARAM, LPARAM) { FAIL_WITH(FALSE); }
void PostQuitMessage(int) {}
BOOL PeekMessageA(LPMSG, HWND, UINT, UINT, UINT) { return FALSE; }
BOOL GetMessageA(LPMSG, HWND, UINT, UINT) { FAIL_WITH(-1); }
BOOL TranslateMessage(const MSG*) { return FALSE; }
LRESULT DispatchMessageA(const MSG*) { return 0; }
LRESULT SendMessageA(HWND, UINT, WPARAM, LPARAM) { FAIL_WITH(0); }
BOOL InSendMessage() { return FALSE; }
DWORD MsgWaitForMultipleObjects(DWORD, const HANDLE*, BOOL, DWORD, DWORD) { FAIL_WITH(WAIT_FAILED); }
DWORD GetCurrentThreadId() { return 0; }
HMENU CreateMenu() { FAIL_WITH(nullptr); }
HMENU CreatePopupMenu() { FAIL_WITH(nullptr); }
BOOL AppendMenuA(HMENU, UINT, UINT_PTR, LPCSTR) { FAIL_WITH(FALSE); }
BOOL SetMenu(HWND, HMENU) { FAIL_WITH(FALSE); }
HMENU GetMenu(HWND) { FAIL_WITH(nullptr); }
BOOL DrawMenuBar(HWND) { FAIL_WITH(FALSE); }
DWORD CheckMenuItem(HMENU, UINT, UINT) { FAIL_WITH(static_cast<DWORD>(-1)); }
BOOL CheckMenuRadioItem(HMENU, UINT, UINT, UINT, UINT) { FAIL_WITH(FALSE); }
UINT EnableMenuItem(HMENU, UINT, UINT) { FAIL_WITH(static_cast<UINT>(-1)); }
UINT GetMenuState(HMENU, UINT, UINT) { FAIL_WITH(static_cast<UINT>(-1)); }
int GetMenuItemCount(HMENU) { FAIL_WITH(-1); }
HMENU GetSubMenu(HMENU, int) { FAIL_WITH(nullptr); }
UINT GetMenuItemID(HMENU, int) { FAIL_WITH(static_cast<UINT>(-1)); }
int GetMenuStringA(HMENU, UINT, LPSTR, int, UINT) { FAIL_WITH(0); }
BOOL IsMenu(HMENU) { return FALSE; }
BOOL DestroyMenu(HMENU) { FAIL_WITH(FALSE); }
int MessageBoxA(HWND, LPCSTR, LPCSTR, UINT) { return IDOK; }
void DragAcceptFiles(HWND, BOOL) {}
UINT DragQueryFileA(HDROP, UINT, LPSTR, UINT) { return 0; }
void DragFinish(HDROP) {}
void InitCommonControls() {}
HGDIOBJ GetStockObject(int) { return nullptr; }
BOOL DeleteObject(HGDIOBJ) { return TRUE; }
HBRUSH GetSysColorBrush(int) { return nullptr; }
HICON LoadIconA(HINSTANCE, LPCSTR) { return nullptr; }
HCURSOR LoadCursorA(HINSTANCE, LPCSTR) { return nullptr; }
HMODULE GetModuleHandleA(LPCSTR) { return nullptr; }
HLOCAL LocalAlloc(UINT, SIZE_T) { return nullptr; }
LPVOID LocalLock(HLOCAL) { return nullptr; }
BOOL LocalUnlock(HLOCAL) { return FALSE; }
HLOCAL LocalFree(HLOCAL h) { return h; }

namespace winlayer {
int queueWakeDescriptor() { return -1; }
bool waitForInput(DWORD) { return false; }
bool waitServingSentMessages(const std::function<bool(DWORD)>& step, DWORD) { while (!step(1)) {} return true; }
HDROP createDrop(const std::vector<std::string>&) { return nullptr; }
BOOL postDropFiles(HWND, const std::vector<std::string>&) { return FALSE; }
std::vector<MessageBoxRecord> shownMessageBoxes() { return {}; }
void clearShownMessageBoxes() {}
std::optional<WindowState> windowState(HWND) { return std::nullopt; }
std::vector<HWND> topLevelWindows() { return {}; }
std::vector<HWND> childWindows(HWND) { return {}; }
std::optional<StatusBarState> statusBarState(HWND) { return std::nullopt; }
std::optional<std::vector<MenuItemState>> menuState(HMENU) { return std::nullopt; }
int DisplayDriver::messageBox(HWND, const std::string&, const std::string&, UINT) { return IDOK; }
void DisplayDriver::waitForInput(int, DWORD) {}
void setDisplayDriver(DisplayDriver*) {}
DisplayDriver& displayDriver() { static DisplayDriver d; return d; }
BOOL displayResized(HWND, int, int) { return FALSE; }
BOOL displayMoved(HWND, int, int) { return FALSE; }
}
