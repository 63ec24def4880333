// Window text, family, identifiers, focus and window data.
#include "platform/posix/window/control.h"
#include "platform/posix/window/focus.h"
#include "platform/posix/window/text_copy.h"
#include "platform/posix/window/thread_queue.h"
#include "platform/posix/window/window_object.h"

#include <unistd.h>

#include <atomic>

namespace winlayer {
namespace {

std::atomic<HWND> focusWindow{nullptr};

// The procedure of every system control: what a subclass passes messages on to. It goes to the
// control itself, past any subclass.
LRESULT CALLBACK systemControlProc(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<Window> window = findWindow(hWnd);
    if (!window || !window->control)
        return 0;
    return window->control->handle(*window, Msg, wParam, lParam);
}

WNDPROC procedureOf(const Window& window)
{
    if (window.control && !window.proc)
        return &systemControlProc;
    return window.proc;
}

// Another thread's ordinary window is read directly rather than sent a message, so asking for
// its text never waits on that thread.
bool readsDirectly(const Window& window)
{
    return !window.control && window.threadId != GetCurrentThreadId();
}

} // namespace

void forgetFocus(HWND window)
{
    HWND expected = window;
    focusWindow.compare_exchange_strong(expected, nullptr);
}

} // namespace winlayer

using namespace winlayer;

BOOL IsWindow(HWND hWnd)
{
    if (!hWnd)
        return FALSE;
    std::shared_ptr<Window> window = findWindow(hWnd);
    return window && window->alive ? TRUE : FALSE;
}

HWND GetParent(HWND hWnd)
{
    std::shared_ptr<Window> window = findWindow(hWnd);
    if (!window)
        return nullptr;
    std::lock_guard lock(window->mutex);
    return window->parent;
}

BOOL SetWindowTextA(HWND hWnd, LPCSTR lpString)
{
    std::shared_ptr<Window> window = findWindow(hWnd);
    if (!window)
        return FALSE;
    return sendToWindow(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) ? TRUE : FALSE;
}

int GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount)
{
    std::shared_ptr<Window> window = findWindow(hWnd);
    if (!window || !lpString || nMaxCount <= 0)
        return 0;
    if (readsDirectly(*window)) {
        std::lock_guard lock(window->mutex);
        return static_cast<int>(copyTextOut(window->text, static_cast<WPARAM>(nMaxCount),
                                            reinterpret_cast<LPARAM>(lpString)));
    }
    return static_cast<int>(sendToWindow(window, WM_GETTEXT, static_cast<WPARAM>(nMaxCount),
                                         reinterpret_cast<LPARAM>(lpString)));
}

int GetWindowTextLengthA(HWND hWnd)
{
    std::shared_ptr<Window> window = findWindow(hWnd);
    if (!window)
        return 0;
    if (readsDirectly(*window)) {
        std::lock_guard lock(window->mutex);
        return static_cast<int>(window->text.size());
    }
    return static_cast<int>(sendToWindow(window, WM_GETTEXTLENGTH, 0, 0));
}

HWND GetDlgItem(HWND hDlg, int nIDDlgItem)
{
    std::shared_ptr<Window> parent = findWindow(hDlg);
    if (!parent)
        return nullptr;
    std::vector<HWND> children;
    {
        std::lock_guard lock(parent->mutex);
        children = parent->children;
    }
    for (HWND handle : children) {
        std::shared_ptr<Window> child = findWindow(handle);
        if (!child)
            continue;
        std::lock_guard lock(child->mutex);
        if ((child->style & WS_CHILD) && child->id == static_cast<UINT_PTR>(nIDDlgItem))
            return handle;
    }
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

int GetDlgCtrlID(HWND hWnd)
{
    std::shared_ptr<Window> window = findWindow(hWnd);
    if (!window)
        return 0;
    std::lock_guard lock(window->mutex);
    return (window->style & WS_CHILD) ? static_cast<int>(window->id) : 0;
}

HWND SetFocus(HWND hWnd)
{
    std::shared_ptr<Window> window;
    if (hWnd && !(window = findWindow(hWnd)))
        return nullptr;
    HWND previous = focusWindow.exchange(hWnd);
    if (previous == hWnd)
        return previous;
    if (std::shared_ptr<Window> old = previous ? findWindow(previous) : nullptr)
        sendToWindow(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0);
    if (window)
        sendToWindow(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    return previous;
}

HWND GetFocus()
{
    return focusWindow.load();
}

LONG_PTR GetWindowLongPtrA(HWND hWnd, int nIndex)
{
    std::shared_ptr<Window> window = findWindow(hWnd);
    if (!window)
        return 0;
    std::lock_guard lock(window->mutex);
    switch (nIndex) {
    case GWL_STYLE:
        return static_cast<LONG_PTR>(window->style);
    case GWL_EXSTYLE:
        return static_cast<LONG_PTR>(window->exStyle);
    case GWLP_USERDATA:
        return window->userData;
    case GWLP_ID:
        return static_cast<LONG_PTR>(window->id);
    case GWLP_HINSTANCE:
        return reinterpret_cast<LONG_PTR>(window->instance);
    case GWLP_HWNDPARENT:
        return reinterpret_cast<LONG_PTR>(window->parent);
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(procedureOf(*window));
    default:
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
}

LONG_PTR SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong)
{
    std::shared_ptr<Window> window = findWindow(hWnd);
    if (!window)
        return 0;
    SetLastError(ERROR_SUCCESS);
    std::lock_guard lock(window->mutex);
    LONG_PTR previous = 0;
    switch (nIndex) {
    case GWL_STYLE:
        previous = static_cast<LONG_PTR>(window->style);
        window->style = static_cast<DWORD>(dwNewLong);
        return previous;
    case GWL_EXSTYLE:
        previous = static_cast<LONG_PTR>(window->exStyle);
        window->exStyle = static_cast<DWORD>(dwNewLong);
        return previous;
    case GWLP_USERDATA:
        previous = window->userData;
        window->userData = dwNewLong;
        return previous;
    case GWLP_ID:
        previous = static_cast<LONG_PTR>(window->id);
        window->id = static_cast<UINT_PTR>(dwNewLong);
        return previous;
    case GWLP_WNDPROC:
        if (!dwNewLong) {
            SetLastError(ERROR_ACCESS_DENIED);
            return 0;
        }
        previous = reinterpret_cast<LONG_PTR>(procedureOf(*window));
        window->proc = reinterpret_cast<WNDPROC>(dwNewLong);
        // A system control given its own procedure back is no longer subclassed.
        if (window->control && window->proc == &systemControlProc)
            window->proc = nullptr;
        return previous;
    default:
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
}

DWORD GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId)
{
    std::shared_ptr<Window> window = findWindow(hWnd);
    if (!window)
        return 0;
    if (lpdwProcessId)
        *lpdwProcessId = static_cast<DWORD>(getpid());
    return window->threadId;
}

int GetClassNameA(HWND hWnd, LPSTR lpClassName, int nMaxCount)
{
    std::shared_ptr<Window> window = findWindow(hWnd);
    if (!window || !lpClassName || nMaxCount <= 0)
        return 0;
    return static_cast<int>(copyTextOut(window->windowClass->name, static_cast<WPARAM>(nMaxCount),
                                        reinterpret_cast<LPARAM>(lpClassName)));
}
