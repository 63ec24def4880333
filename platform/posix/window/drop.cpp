// Drag and drop: drop objects holding the dropped paths, and WM_DROPFILES for a window that
// accepts files.
#include "platform/posix/window/handle_table.h"
#include "platform/posix/window/window_object.h"
#include "platform/winlayer/drops.h"

#include <cstring>

namespace {

// The index that asks DragQueryFileA for the number of paths instead of one path.
constexpr UINT kPathCountIndex = 0xFFFFFFFFu;

struct Drop {
    std::vector<std::string> paths;
};

winlayer::HandleTable<Drop>& dropTable()
{
    static auto& instance = *new winlayer::HandleTable<Drop>(winlayer::kDropHandles);
    return instance;
}

} // namespace

void DragAcceptFiles(HWND hWnd, BOOL fAccept)
{
    std::shared_ptr<winlayer::Window> window = winlayer::findWindow(hWnd);
    if (!window)
        return;
    std::lock_guard lock(window->mutex);
    if (fAccept)
        window->exStyle |= WS_EX_ACCEPTFILES;
    else
        window->exStyle &= ~WS_EX_ACCEPTFILES;
}

UINT DragQueryFileA(HDROP hDrop, UINT iFile, LPSTR lpszFile, UINT cch)
{
    std::shared_ptr<Drop> drop = dropTable().find(reinterpret_cast<std::uintptr_t>(hDrop));
    if (!drop) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (iFile == kPathCountIndex)
        return static_cast<UINT>(drop->paths.size());
    if (iFile >= drop->paths.size())
        return 0;
    const std::string& path = drop->paths[iFile];
    if (!lpszFile)
        return static_cast<UINT>(path.size());
    if (cch == 0)
        return 0;
    std::size_t count = std::min<std::size_t>(path.size(), cch - 1);
    std::memcpy(lpszFile, path.data(), count);
    lpszFile[count] = '\0';
    return static_cast<UINT>(count);
}

void DragFinish(HDROP hDrop)
{
    dropTable().remove(reinterpret_cast<std::uintptr_t>(hDrop));
}

namespace winlayer {

HDROP createDrop(const std::vector<std::string>& paths)
{
    return reinterpret_cast<HDROP>(dropTable().add(std::make_shared<Drop>(Drop{paths})));
}

BOOL postDropFiles(HWND target, const std::vector<std::string>& paths)
{
    // A drop on a child goes to the nearest window that accepts files.
    HWND receiver = nullptr;
    for (int depth = 0; target && depth < kMaxAncestors; ++depth) {
        std::shared_ptr<Window> window = findWindow(target);
        if (!window)
            break;
        std::lock_guard lock(window->mutex);
        if (window->exStyle & WS_EX_ACCEPTFILES) {
            receiver = target;
            break;
        }
        target = (window->style & WS_CHILD) ? window->parent : nullptr;
    }
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
