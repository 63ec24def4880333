#include "toolkit/window_proc.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/application.h"
#include "toolkit/command_table.h"
#include "toolkit/frame.h"
#include "toolkit/window.h"
#include "toolkit/workers.h"

namespace {

// DragQueryFileA's index that asks for the number of paths instead of one path.
constexpr UINT pathCountIndex = 0xFFFFFFFF;

std::optional<liveBinding> findBinding(HWND hwnd, std::int32_t kind,
                                       std::optional<std::uint32_t> subKey)
{
    liveApplication* application = currentApplication();
    if (!application)
        return std::nullopt;
    std::optional<liveBinding> found = subKey ? application->bindingFor(hwnd, kind, *subKey)
                                              : application->bindingForKind(hwnd, kind);
    // A null handler (bindDrop(nullptr) switches drops off) is bound but has nothing to call.
    if (found && !found->handler)
        return std::nullopt;
    return found;
}

std::vector<std::string> droppedPaths(HDROP drop)
{
    const UINT count = DragQueryFileA(drop, pathCountIndex, nullptr, 0);
    std::vector<std::string> paths;
    paths.reserve(count);
    for (UINT i = 0; i < count; ++i) {
        // Sized from the path itself: a fixed 260-byte buffer would cut long Linux paths short.
        const UINT length = DragQueryFileA(drop, i, nullptr, 0);
        std::string path(static_cast<std::size_t>(length) + 1, '\0');
        const UINT copied = DragQueryFileA(drop, i, path.data(), length + 1);
        path.resize(copied <= length ? copied : length);
        paths.push_back(std::move(path));
    }
    return paths;
}

// Runs on dropThread.
void handleDrop(HWND hwnd, HDROP drop)
{
    if (std::optional<liveBinding> binding = findBinding(hwnd, kindDrop, std::nullopt)) {
        const std::vector<std::string> paths = droppedPaths(drop);
        fromAnyHandler<liveDropHandler>(binding->handler)(binding->window, paths);
    }
    // Also without a handler, so the drop is never leaked.
    DragFinish(drop);
}

// Runs on commandThread: the control is in lParam, the notification code in wParam's high word.
void handleNotification(WPARAM wParam, LPARAM lParam)
{
    const HWND control = reinterpret_cast<HWND>(lParam);
    if (std::optional<liveBinding> binding = findBinding(control, kindCommand, HIWORD(wParam)))
        fromAnyHandler<liveCommandHandler>(binding->handler)(binding->window);
}

bool isMainWindow(HWND hwnd)
{
    liveApplication* application = currentApplication();
    if (!application)
        return false;
    liveFrame* main = application->getMainWindow();
    return main && main->handle == hwnd;
}

} // namespace

LRESULT CALLBACK liveWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!currentApplication())
        return DefWindowProcA(hwnd, message, wParam, lParam);

    switch (message) {
    case WM_DESTROY:
        if (isMainWindow(hwnd))
            PostQuitMessage(0);
        return 0;

    case WM_SIZE:
        // Only a client area with a height: a minimised window reports 0.
        if (static_cast<SHORT>(HIWORD(lParam)) > 0) {
            if (auto binding = findBinding(hwnd, kindSize, std::nullopt))
                fromAnyHandler<liveSizeHandler>(binding->handler)(binding->window,
                                                                  static_cast<int>(LOWORD(lParam)),
                                                                  static_cast<int>(HIWORD(lParam)));
        }
        return 0;

    case WM_PAINT:
        if (auto binding = findBinding(hwnd, kindPaint, std::nullopt))
            fromAnyHandler<livePaintHandler>(binding->handler)(binding->window);
        return DefWindowProcA(hwnd, message, wParam, lParam);

    case WM_COMMAND:
        if (HIWORD(wParam) == 0) {
            const std::uint32_t identifier = LOWORD(wParam);
            commandQueue().post([identifier] { runCommand(identifier); });
        } else {
            commandQueue().post([wParam, lParam] { handleNotification(wParam, lParam); });
        }
        return 0;

    case WM_DROPFILES: {
        const HDROP drop = reinterpret_cast<HDROP>(wParam);
        dropQueue().post([hwnd, drop] { handleDrop(hwnd, drop); });
        return 0;
    }

    default:
        break;
    }

    if (message >= WM_MOUSEFIRST && message <= WM_MOUSEWHEEL) {
        if (auto binding = findBinding(hwnd, kindMouse, message))
            fromAnyHandler<liveMouseHandler>(binding->handler)(binding->window, wParam,
                                                               LOWORD(lParam), HIWORD(lParam));
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
