// Drops on Windows: the shell's own drop format, so DragQueryFileA and DragFinish read and free
// it exactly as they do a drop from Explorer.
#include "platform/winlayer/drops.h"

#include <cstring>

#include <shlobj.h>

namespace winlayer {
namespace {

// Ancestors searched for a window that accepts files; windows nest a few levels.
constexpr int maxAncestors = 64;

HWND acceptingWindow(HWND window)
{
    for (int depth = 0; window && depth < maxAncestors; ++depth) {
        const LONG_PTR exStyle = GetWindowLongPtrA(window, GWL_EXSTYLE);
        if (exStyle & WS_EX_ACCEPTFILES)
            return window;
        if (!(GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD))
            return nullptr;
        window = GetParent(window);
    }
    return nullptr;
}

} // namespace

HDROP createDrop(const std::vector<std::string>& paths)
{
    // The header, then each path with its zero, then one more zero ending the list.
    std::size_t size = sizeof(DROPFILES) + 1;
    for (const std::string& path : paths)
        size += path.size() + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!memory)
        return nullptr;
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    if (!header) {
        GlobalFree(memory);
        return nullptr;
    }
    header->pFiles = sizeof(DROPFILES);
    header->fWide = FALSE;
    char* at = reinterpret_cast<char*>(header) + sizeof(DROPFILES);
    for (const std::string& path : paths) {
        std::memcpy(at, path.c_str(), path.size() + 1);
        at += path.size() + 1;
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

BOOL postDropFiles(HWND target, const std::vector<std::string>& paths)
{
    const HWND receiver = acceptingWindow(target);
    if (!receiver) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    HDROP drop = createDrop(paths);
    if (!drop) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    if (!PostMessageA(receiver, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0)) {
        DragFinish(drop);
        return FALSE;
    }
    return TRUE;
}

} // namespace winlayer
