// One entry of the application's event binding table and the handler shapes each kind calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32.h"

class liveWindow;

enum liveBindingKind : std::int32_t {
    kindMouse = 0,
    kindSize = 1,
    kindCommand = 2,
    kindDrop = 3,
    kindReserved = 4,
    kindPaint = 5,
};

// Handlers are plain functions; only the size handler's result is used (by the layout chain).
using liveMouseHandler = void (*)(liveWindow* window, WPARAM wParam, unsigned x, unsigned y);
using liveSizeHandler = int (*)(liveWindow* window, int width, int height);
using liveCommandHandler = void (*)(liveWindow* window);
using livePaintHandler = void (*)(liveWindow* window);
using liveReservedHandler = void (*)(liveWindow* window);
using liveDropHandler = void (*)(liveWindow* window, const std::vector<std::string>& paths);

// The table stores every handler as this type; the kind says what it really is.
using liveAnyHandler = void (*)();

template <typename Handler> liveAnyHandler toAnyHandler(Handler handler)
{
    return reinterpret_cast<liveAnyHandler>(handler);
}

template <typename Handler> Handler fromAnyHandler(liveAnyHandler handler)
{
    return reinterpret_cast<Handler>(handler);
}

struct liveBinding {
    std::int32_t kind;
    std::uint32_t subKey;
    liveAnyHandler handler;
    liveWindow* window;
};
