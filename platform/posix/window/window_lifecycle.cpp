#include "platform/posix/window/window_lifecycle.h"

#include "platform/posix/window/control.h"
#include "platform/posix/window/focus.h"
#include "platform/posix/window/text_copy.h"
#include "platform/posix/window/thread_queue.h"
#include "platform/posix/window/window_object.h"
#include "platform/winlayer/display_driver.h"

#include <algorithm>

namespace winlayer {
namespace {

// The size a top-level window given CW_USEDEFAULT gets.
constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;

void clampDefault(int& value, int fallback)
{
    if (value == CW_USEDEFAULT)
        value = fallback;
}

// WM_DESTROY to the window, then its children are destroyed, then WM_NCDESTROY: a window's
// children are gone before the window itself is.
void destroyTree(const std::shared_ptr<Window>& window)
{
    sendToWindow(window, WM_DESTROY, 0, 0);
    std::vector<HWND> children;
    {
        std::lock_guard lock(window->mutex);
        children = window->children;
    }
    for (HWND childHandle : children) {
        std::shared_ptr<Window> child = findWindow(childHandle);
        if (child && !child->destroying.exchange(true))
            destroyTree(child);
    }
    sendToWindow(window, WM_NCDESTROY, 0, 0);
    finalizeWindow(window);
}

} // namespace

void finalizeWindow(const std::shared_ptr<Window>& window)
{
    HWND handle = window->handle;
    displayDriver().windowDestroyed(handle);
    window->alive = false;
    purgeWindowMessages(*window->queue, handle);

    HWND parent;
    HMENU menu;
    {
        std::lock_guard lock(window->mutex);
        parent = window->parent;
        menu = (window->style & WS_CHILD) ? nullptr : window->menu;
        window->menu = nullptr;
        window->style &= ~WS_VISIBLE;
    }
    if (menu)
        DestroyMenu(menu); // a menu bar goes with its window; one already destroyed is skipped
    if (std::shared_ptr<Window> parentWindow = findWindow(parent)) {
        std::lock_guard lock(parentWindow->mutex);
        auto& siblings = parentWindow->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), handle), siblings.end());
    }
    forgetFocus(handle);
    removeWindow(handle);
}

} // namespace winlayer

using namespace winlayer;

HWND CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X,
                     int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                     HINSTANCE hInstance, LPVOID lpParam)
{
    std::shared_ptr<const WindowClass> windowClass = findWindowClass(lpClassName);
    if (!windowClass) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    std::shared_ptr<Window> parent;
    if (hWndParent) {
        parent = findWindow(hWndParent);
        if (!parent)
            return nullptr;
    }
    bool child = (dwStyle & WS_CHILD) != 0;
    if (child && !parent) {
        SetLastError(ERROR_TLW_WITH_WSCHILD);
        return nullptr;
    }
    if (!child && hMenu && !IsMenu(hMenu)) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return nullptr;
    }

    if (child) {
        clampDefault(X, 0);
        clampDefault(Y, 0);
        clampDefault(nWidth, 0);
        clampDefault(nHeight, 0);
    } else {
        clampDefault(X, 0);
        clampDefault(Y, 0);
        clampDefault(nWidth, kDefaultWidth);
        clampDefault(nHeight, kDefaultHeight);
    }

    auto window = std::make_shared<Window>();
    window->windowClass = windowClass;
    window->queue = currentQueue();
    window->threadId = GetCurrentThreadId();
    window->proc = windowClass->proc;
    window->text = lpWindowName ? lpWindowName : "";
    // Shown below, the way ShowWindow would, once creation has succeeded.
    window->style = dwStyle & ~WS_VISIBLE;
    window->exStyle = dwExStyle;
    window->rect = {X, Y, X + std::max(nWidth, 0), Y + std::max(nHeight, 0)};
    window->parent = hWndParent;
    window->instance = hInstance;
    if (child)
        window->id = reinterpret_cast<UINT_PTR>(hMenu);
    else
        window->menu = hMenu;
    window->control = makeControl(windowClass->kind, dwStyle, window->text);
    HWND handle = addWindow(window);
    if (!handle) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (parent) {
        std::lock_guard lock(parent->mutex);
        parent->children.push_back(handle);
    }

    CREATESTRUCTA create{lpParam,
                         hInstance,
                         hMenu,
                         hWndParent,
                         nHeight,
                         nWidth,
                         Y,
                         X,
                         static_cast<LONG>(dwStyle),
                         lpWindowName,
                         lpClassName,
                         dwExStyle};
    if (!callWindow(window, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create))) {
        window->destroying = true;
        callWindow(window, WM_NCDESTROY, 0, 0);
        finalizeWindow(window);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (callWindow(window, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(handle);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!window->alive)
        return nullptr; // destroyed by its own creation messages
    displayDriver().windowCreated(handle);
    if (dwStyle & WS_VISIBLE)
        ShowWindow(handle, SW_SHOW);
    return handle;
}

BOOL DestroyWindow(HWND hWnd)
{
    std::shared_ptr<Window> window = findWindow(hWnd);
    if (!window)
        return FALSE;
    if (window->threadId != GetCurrentThreadId()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (window->destroying.exchange(true))
        return TRUE; // already on its way, e.g. DestroyWindow from its own WM_DESTROY
    destroyTree(window);
    return TRUE;
}

LRESULT DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<Window> window = findWindow(hWnd);
    if (!window)
        return 0;
    switch (Msg) {
    case WM_NCCREATE:
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_SETTEXT: {
        {
            std::lock_guard lock(window->mutex);
            window->text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
        }
        displayDriver().windowTextChanged(hWnd);
        return TRUE;
    }
    case WM_GETTEXT: {
        std::lock_guard lock(window->mutex);
        return copyTextOut(window->text, wParam, lParam);
    }
    case WM_GETTEXTLENGTH: {
        std::lock_guard lock(window->mutex);
        return static_cast<LRESULT>(window->text.size());
    }
    case WM_SETFONT: {
        std::lock_guard lock(window->mutex);
        window->font = reinterpret_cast<HFONT>(wParam);
        return 0;
    }
    case WM_GETFONT: {
        std::lock_guard lock(window->mutex);
        return reinterpret_cast<LRESULT>(window->font);
    }
    case WM_PAINT: {
        std::lock_guard lock(window->mutex);
        window->needsPaint = false;
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    default:
        return 0;
    }
}

LRESULT CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    return lpPrevWndFunc ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}
