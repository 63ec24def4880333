// Reading windows' state for display drivers and tests.
#include "platform/posix/window/control.h"
#include "platform/posix/window/window_geometry.h"
#include "platform/posix/window/window_object.h"
#include "platform/winlayer/state_queries.h"

namespace winlayer {

std::optional<WindowState> windowState(HWND handle)
{
    std::shared_ptr<Window> window = findWindow(handle);
    if (!window)
        return std::nullopt;
    WindowState state;
    state.handle = handle;
    state.className = window->windowClass->name;
    state.threadId = window->threadId;
    if (window->control)
        state.text = window->control->text();
    std::lock_guard lock(window->mutex);
    if (!window->control)
        state.text = window->text;
    state.style = window->style;
    state.exStyle = window->exStyle;
    state.rect = window->rect;
    POINT size = clientSizeLocked(*window);
    state.clientRect = {0, 0, size.x, size.y};
    state.parent = window->parent;
    state.menu = (window->style & WS_CHILD) ? nullptr : window->menu;
    state.id = window->id;
    state.visible = (window->style & WS_VISIBLE) != 0;
    state.acceptsFiles = (window->exStyle & WS_EX_ACCEPTFILES) != 0;
    return state;
}

std::vector<HWND> topLevelWindows()
{
    std::vector<HWND> found;
    for (const auto& window : allWindows()) {
        std::lock_guard lock(window->mutex);
        if (!(window->style & WS_CHILD))
            found.push_back(window->handle);
    }
    return found;
}

std::vector<HWND> childWindows(HWND parent)
{
    std::shared_ptr<Window> window = findWindow(parent);
    if (!window)
        return {};
    std::lock_guard lock(window->mutex);
    return window->children;
}

std::optional<StatusBarState> statusBarState(HWND statusBar)
{
    std::shared_ptr<Window> window = findWindow(statusBar);
    StatusBarState state;
    if (!window || !window->control || !readStatusBar(*window->control, state))
        return std::nullopt;
    return state;
}

} // namespace winlayer
