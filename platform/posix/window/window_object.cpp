#include "platform/posix/window/window_object.h"

#include "platform/posix/window/handle_table.h"

namespace winlayer {
namespace {

HandleTable<Window>& table()
{
    static HandleTable<Window>& instance =
        *new HandleTable<Window>(kWindowHandles); // outlives every thread
    return instance;
}

} // namespace

HWND addWindow(const std::shared_ptr<Window>& window)
{
    window->handle = reinterpret_cast<HWND>(table().add(window));
    return window->handle;
}

void removeWindow(HWND handle)
{
    table().remove(reinterpret_cast<std::uintptr_t>(handle));
}

std::shared_ptr<Window> findWindow(HWND handle)
{
    std::shared_ptr<Window> window = table().find(reinterpret_cast<std::uintptr_t>(handle));
    if (!window)
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return window;
}

std::vector<std::shared_ptr<Window>> allWindows()
{
    return table().all();
}

std::vector<HWND> windowAndDescendants(HWND handle)
{
    std::vector<HWND> found{handle};
    for (std::size_t i = 0; i < found.size(); ++i) {
        std::shared_ptr<Window> window = table().find(reinterpret_cast<std::uintptr_t>(found[i]));
        if (!window)
            continue;
        std::lock_guard lock(window->mutex);
        found.insert(found.end(), window->children.begin(), window->children.end());
    }
    return found;
}

} // namespace winlayer
