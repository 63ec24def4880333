#include "toolkit/layout.h"

#include "platform/win32.h"
#include "toolkit/window.h"

int applyLayout(liveWindow* window, int width, int height)
{
    liveLayout* layout = window ? window->layout : nullptr;
    if (!layout)
        return 0;
    // Indexed, not iterated: a placement may run handlers that add items.
    const std::size_t count = layout->items.size();
    for (std::size_t i = 0; i < count && i < layout->items.size(); ++i) {
        const liveLayoutItem item = layout->items[i];
        liveWindow* child = item.child;
        if (!child)
            continue;
        int childLeft = 0;
        int childTop = 0;
        int childWidth = 0;
        int childHeight = 0;
        switch (item.mode) {
        case layoutFill:
            child->move(item.left, item.top, width - item.right - item.left,
                        height - item.bottom - item.top);
            break;
        case layoutFillHeight:
            child->getClientRect(childLeft, childTop, childWidth, childHeight);
            child->move(childLeft, item.top, childWidth, height - item.bottom - item.top);
            break;
        case layoutFillWidth:
            child->getClientRect(childLeft, childTop, childWidth, childHeight);
            child->move(item.left, childTop, width - item.right - item.left, childHeight);
            break;
        case layoutSelfSized:
            child->getClientSize(childWidth, childHeight);
            SendMessageA(child->handle, WM_SIZE, static_cast<WPARAM>(childWidth),
                         static_cast<LPARAM>(childHeight));
            break;
        default:
            break;
        }
    }
    if (layout->userSizeHandler)
        return layout->userSizeHandler(window, width, height);
    return 0;
}
