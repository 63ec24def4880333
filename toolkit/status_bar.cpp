#include "toolkit/status_bar.h"

#include <cstdint>

#include "toolkit/application.h"

namespace {
constexpr DWORD statusBarStyle = WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP;
}

liveStatusBar::liveStatusBar(liveWindow* parentWindow) : liveWindow(parentWindow)
{
    InitCommonControls();
    handle = CreateWindowExA(0, STATUSCLASSNAMEA, "", statusBarStyle, 0, 0, 0, 0,
                             parentWindow ? parentWindow->handle : nullptr,
                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(statusBarId)),
                             moduleInstance(), nullptr);
}

void liveStatusBar::setParts(unsigned count)
{
    // No parts is no division: nothing to send.
    if (count == 0)
        return;
    RECT client{};
    GetClientRect(handle, &client);
    HLOCAL memory = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, count * sizeof(std::int32_t));
    auto* edges = static_cast<INT*>(LocalLock(memory));
    if (edges) {
        std::uint32_t width = static_cast<std::uint32_t>(client.right) / count;
        for (unsigned i = 0; i < count; ++i) {
            edges[i] = static_cast<INT>(width);
            width *= 2;
        }
        SendMessageA(handle, SB_SETPARTS, count, reinterpret_cast<LPARAM>(edges));
    }
    LocalUnlock(memory);
    LocalFree(memory);
}
