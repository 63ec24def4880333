#include "toolkit/window.h"

#include <algorithm>

#include "toolkit/application.h"
#include "toolkit/layout.h"

namespace {
// The low word of a style is the class's own; "liveWindow" gives this bit no meaning, but every
// plain child has carried it from the start.
constexpr DWORD liveWindowClassBit = 0x20;
constexpr DWORD plainChildStyle = WS_CHILD | liveWindowClassBit;
} // namespace

liveWindow::liveWindow(liveWindow* parentWindow)
{
    if (parentWindow)
        parentWindow->addChild(this);
}

liveWindow::liveWindow(HWND existing) : handle(existing) {}

liveWindow::liveWindow(liveWindow* parentWindow, int x, int y, int width, int height)
{
    handle = CreateWindowExA(0, "liveWindow", "", plainChildStyle, x, y, width, height,
                             parentWindow ? parentWindow->handle : nullptr, nullptr,
                             moduleInstance(), nullptr);
    if (parentWindow)
        parentWindow->addChild(this);
}

liveWindow::~liveWindow()
{
    // First, so nothing is dispatched to this object while it comes apart.
    if (liveApplication* application = currentApplication())
        application->removeBindingsOf(this);
    if (parent)
        parent->forgetChild(this);

    std::vector<liveWindow*> owned;
    owned.swap(children);
    for (liveWindow* child : owned) {
        if (child) {
            child->parent = nullptr;
            delete child;
        }
    }
    delete layout;
    layout = nullptr;
    if (handle)
        DestroyWindow(handle);
}

void liveWindow::forgetChild(liveWindow* child)
{
    children.erase(std::remove(children.begin(), children.end(), child), children.end());
    if (layout) {
        auto& items = layout->items;
        items.erase(
            std::remove_if(items.begin(), items.end(),
                           [child](const liveLayoutItem& item) { return item.child == child; }),
            items.end());
    }
}

void liveWindow::addChild(liveWindow* child)
{
    children.push_back(child);
    child->parent = this;
}

bool liveWindow::isFrame()
{
    return false;
}

LRESULT liveWindow::sendSize(int width, int height)
{
    const LPARAM size = static_cast<LPARAM>(static_cast<std::uint32_t>(width) +
                                            (static_cast<std::uint32_t>(height) << 16));
    return SendMessageA(handle, WM_SIZE, SIZE_RESTORED, size);
}

void liveWindow::move(int x, int y, int width, int height)
{
    MoveWindow(handle, x, y, width, height, TRUE);
}

void liveWindow::moveTo(int x, int y)
{
    int width = 0;
    int height = 0;
    getClientSize(width, height);
    move(x, y, width, height);
}

void liveWindow::getClientSize(int& width, int& height)
{
    RECT rect{};
    GetClientRect(handle, &rect);
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
}

void liveWindow::getClientRect(int& left, int& top, int& width, int& height)
{
    RECT rect{};
    GetClientRect(handle, &rect);
    left = rect.left;
    top = rect.top;
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
}

void liveWindow::getPosition(int& x, int& y)
{
    RECT rect{};
    GetClientRect(handle, &rect);
    x = rect.left;
    y = rect.top;
}

void liveWindow::close()
{
    PostMessageA(handle, WM_CLOSE, 0, 0);
}

void liveWindow::show()
{
    ShowWindow(handle, SW_SHOW);
}

void liveWindow::hide()
{
    ShowWindow(handle, SW_HIDE);
}

void liveWindow::bind(std::int32_t kind, std::uint32_t subKey, liveAnyHandler handler)
{
    if (liveApplication* application = currentApplication())
        application->addBinding(liveBinding{kind, subKey, handler, this});
}

void liveWindow::unbind(std::int32_t kind, std::uint32_t subKey, liveAnyHandler handler,
                        bool matchSubKey)
{
    if (liveApplication* application = currentApplication())
        application->eraseBinding(kind, subKey, handler, this, matchSubKey);
}

void liveWindow::bindMouse(UINT message, liveMouseHandler handler)
{
    bind(kindMouse, message, toAnyHandler(handler));
}

void liveWindow::bindSize(liveSizeHandler handler)
{
    if (layout)
        layout->userSizeHandler = handler;
    else
        bind(kindSize, 0, toAnyHandler(handler));
}

void liveWindow::bindCommand(std::uint32_t code, liveCommandHandler handler)
{
    bind(kindCommand, code, toAnyHandler(handler));
}

void liveWindow::bindPaint(livePaintHandler handler)
{
    bind(kindPaint, 0, toAnyHandler(handler));
}

void liveWindow::bindReserved(liveReservedHandler handler)
{
    bind(kindReserved, 0, toAnyHandler(handler));
}

void liveWindow::bindDrop(liveDropHandler handler)
{
    bind(kindDrop, 0, toAnyHandler(handler));
    DragAcceptFiles(handle, handler != nullptr);
}

void liveWindow::unbindMouse(UINT message, liveMouseHandler handler)
{
    unbind(kindMouse, message, toAnyHandler(handler), true);
}

void liveWindow::unbindSize(liveSizeHandler handler)
{
    if (layout)
        layout->userSizeHandler = nullptr;
    else
        unbind(kindSize, 0, toAnyHandler(handler), false);
}

void liveWindow::unbindCommand(std::uint32_t code, liveCommandHandler handler)
{
    unbind(kindCommand, code, toAnyHandler(handler), true);
}

void liveWindow::unbindPaint(livePaintHandler handler)
{
    unbind(kindPaint, 0, toAnyHandler(handler), false);
}

void liveWindow::unbindReserved(liveReservedHandler handler)
{
    unbind(kindReserved, 0, toAnyHandler(handler), false);
}

void liveWindow::addItem(liveWindow* child, std::int32_t mode, int left, int top, int right,
                         int bottom)
{
    const liveLayoutItem item{child, mode, left, top, right, bottom};
    if (layout) {
        layout->items.push_back(item);
        return;
    }
    auto* created = new liveLayout;
    created->items.push_back(item);
    created->owner = this;
    // Bound before the layout is stored, so this binds instead of chaining.
    bindSize(applyLayout);
    layout = created;
}

void liveWindow::addLayoutItem(liveWindow* child, std::int32_t mode)
{
    addItem(child, mode, 0, 0, 0, 0);
}

void liveWindow::addLayoutItemWithMargins(liveWindow* child, int left, int top, int right,
                                          int bottom, std::int32_t mode)
{
    addItem(child, mode, left, top, right, bottom);
}

void liveWindow::measureNonClient()
{
    RECT client{};
    RECT outer{};
    GetClientRect(handle, &client);
    GetWindowRect(handle, &outer);
    nonClientWidth = (outer.right - outer.left) - client.right;
    nonClientHeight = (outer.bottom - outer.top) - client.bottom;
}

int liveWindow::relayout()
{
    if (!layout)
        return 0;
    int width = 0;
    int height = 0;
    getClientSize(width, height);
    return applyLayout(this, width, height);
}
