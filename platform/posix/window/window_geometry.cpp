#include "platform/posix/window/window_geometry.h"

#include "platform/posix/window/thread_queue.h"
#include "platform/posix/window/window_object.h"
#include "platform/winlayer/display_driver.h"

#include <algorithm>

namespace winlayer {

RECT nonClientInsetsLocked(const Window& window)
{
    NonClientMetrics metrics = displayDriver().nonClientMetrics();
    int edge = 0;
    if (window.style & WS_THICKFRAME)
        edge = metrics.frameWidth;
    else if (window.style & (WS_BORDER | WS_DLGFRAME))
        edge = metrics.borderWidth;
    if (window.exStyle & WS_EX_CLIENTEDGE)
        edge += 2;
    RECT insets{edge, edge, edge, edge};
    if ((window.style & WS_CAPTION) == WS_CAPTION)
        insets.top += metrics.captionHeight;
    if (!(window.style & WS_CHILD) && window.menu)
        insets.top += metrics.menuBarHeight;
    return insets;
}

POINT clientSizeLocked(const Window& window)
{
    RECT insets = nonClientInsetsLocked(window);
    LONG width = window.rect.right - window.rect.left - insets.left - insets.right;
    LONG height = window.rect.bottom - window.rect.top - insets.top - insets.bottom;
    return {std::max<LONG>(width, 0), std::max<LONG>(height, 0)};
}

namespace {

// Top-left of the window's client area in screen coordinates.
POINT clientOriginOnScreen(HWND handle)
{
    POINT origin{0, 0};
    for (int depth = 0; handle && depth < kMaxAncestors; ++depth) {
        std::shared_ptr<Window> window = findWindow(handle);
        if (!window)
            break;
        std::lock_guard lock(window->mutex);
        RECT insets = nonClientInsetsLocked(*window);
        origin.x += window->rect.left + insets.left;
        origin.y += window->rect.top + insets.top;
        handle = (window->style & WS_CHILD) ? window->parent : nullptr;
    }
    return origin;
}

LPARAM clientSizeParam(const Window& window)
{
    POINT size = clientSizeLocked(window);
    return MAKELPARAM(size.x, size.y);
}

// WM_MOVE reports where the client area starts, in the coordinates the window is placed in.
LPARAM clientOriginParam(const Window& window)
{
    RECT insets = nonClientInsetsLocked(window);
    return MAKELPARAM(window.rect.left + insets.left, window.rect.top + insets.top);
}

} // namespace
} // namespace winlayer

using namespace winlayer;

BOOL ShowWindow(HWND hWnd, int nCmdShow)
{
    std::shared_ptr<Window> window = findWindow(hWnd);
    if (!window)
        return FALSE;
    bool show = nCmdShow != SW_HIDE;
    bool wasVisible;
    {
        std::lock_guard lock(window->mutex);
        wasVisible = (window->style & WS_VISIBLE) != 0;
    }
    if (show != wasVisible) {
        sendToWindow(window, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
        {
            std::lock_guard lock(window->mutex);
            if (show) {
                window->style |= WS_VISIBLE;
                window->needsPaint = true;
            } else {
                window->style &= ~WS_VISIBLE;
            }
        }
        displayDriver().windowShown(hWnd, show);
    }
    bool firstShowing = false;
    LPARAM size = 0;
    LPARAM origin = 0;
    {
        std::lock_guard lock(window->mutex);
        if (show && window->needsSize) {
            window->needsSize = false;
            firstShowing = true;
            size = clientSizeParam(*window);
            origin = clientOriginParam(*window);
        }
    }
    // A window learns its size when it is first shown.
    if (firstShowing) {
        sendToWindow(window, WM_SIZE, SIZE_RESTORED, size);
        sendToWindow(window, WM_MOVE, 0, origin);
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hWnd)
{
    // Visible only if every ancestor of a child window is visible too.
    for (int depth = 0; hWnd && depth < kMaxAncestors; ++depth) {
        std::shared_ptr<Window> window = findWindow(hWnd);
        if (!window)
            return FALSE;
        std::lock_guard lock(window->mutex);
        if (!(window->style & WS_VISIBLE))
            return FALSE;
        hWnd = (window->style & WS_CHILD) ? window->parent : nullptr;
    }
    return TRUE;
}

BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint)
{
    std::shared_ptr<Window> window = findWindow(hWnd);
    if (!window)
        return FALSE;
    RECT placed{X, Y, X + std::max(nWidth, 0), Y + std::max(nHeight, 0)};
    bool moved;
    LPARAM size;
    LPARAM origin;
    {
        std::lock_guard lock(window->mutex);
        moved = window->rect.left != placed.left || window->rect.top != placed.top;
        window->rect = placed;
        window->needsSize = false;
        if (bRepaint)
            window->needsPaint = true;
        size = clientSizeParam(*window);
        origin = clientOriginParam(*window);
    }
    displayDriver().windowMoved(hWnd, placed);
    if (moved)
        sendToWindow(window, WM_MOVE, 0, origin);
    sendToWindow(window, WM_SIZE, SIZE_RESTORED, size);
    return TRUE;
}

BOOL GetClientRect(HWND hWnd, LPRECT lpRect)
{
    std::shared_ptr<Window> window = findWindow(hWnd);
    if (!window || !lpRect) {
        if (window)
            SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(window->mutex);
    POINT size = clientSizeLocked(*window);
    *lpRect = {0, 0, size.x, size.y};
    return TRUE;
}

BOOL GetWindowRect(HWND hWnd, LPRECT lpRect)
{
    std::shared_ptr<Window> window = findWindow(hWnd);
    if (!window || !lpRect) {
        if (window)
            SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    RECT rect;
    HWND parent;
    {
        std::lock_guard lock(window->mutex);
        rect = window->rect;
        parent = (window->style & WS_CHILD) ? window->parent : nullptr;
    }
    POINT origin = parent ? clientOriginOnScreen(parent) : POINT{0, 0};
    *lpRect = {rect.left + origin.x, rect.top + origin.y, rect.right + origin.x,
               rect.bottom + origin.y};
    return TRUE;
}

BOOL UpdateWindow(HWND hWnd)
{
    std::shared_ptr<Window> window = findWindow(hWnd);
    if (!window)
        return FALSE;
    bool paint;
    {
        std::lock_guard lock(window->mutex);
        paint = window->needsPaint && (window->style & WS_VISIBLE);
        window->needsPaint = false;
    }
    if (paint)
        sendToWindow(window, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL InvalidateRect(HWND hWnd, const RECT*, BOOL)
{
    if (!hWnd)
        return TRUE;
    std::shared_ptr<Window> window = findWindow(hWnd);
    if (!window)
        return FALSE;
    std::lock_guard lock(window->mutex);
    window->needsPaint = true;
    return TRUE;
}

namespace winlayer {

BOOL displayResized(HWND window, int outerWidth, int outerHeight)
{
    std::shared_ptr<Window> target = findWindow(window);
    if (!target)
        return FALSE;
    LPARAM size;
    {
        std::lock_guard lock(target->mutex);
        target->rect.right = target->rect.left + std::max(outerWidth, 0);
        target->rect.bottom = target->rect.top + std::max(outerHeight, 0);
        target->needsSize = false;
        size = clientSizeParam(*target);
    }
    return PostMessageA(window, WM_SIZE, SIZE_RESTORED, size);
}

BOOL displayMoved(HWND window, int x, int y)
{
    std::shared_ptr<Window> target = findWindow(window);
    if (!target)
        return FALSE;
    LPARAM origin;
    {
        std::lock_guard lock(target->mutex);
        LONG width = target->rect.right - target->rect.left;
        LONG height = target->rect.bottom - target->rect.top;
        target->rect = {x, y, x + width, y + height};
        origin = clientOriginParam(*target);
    }
    return PostMessageA(window, WM_MOVE, 0, origin);
}

} // namespace winlayer
