#include "toolkit/frame.h"

#include "toolkit/application.h"
#include "toolkit/layout.h"
#include "toolkit/menu.h"
#include "toolkit/status_bar.h"

liveTopLevelWindow::liveTopLevelWindow() : liveWindow(static_cast<liveWindow*>(nullptr)) {}

liveTopLevelWindow::liveTopLevelWindow(HWND existing) : liveWindow(existing) {}

liveFrame::liveFrame(const std::string& title, int x, int y, int width, int height)
{
    handle = CreateWindowExA(0, "liveFrame", title.c_str(), WS_OVERLAPPEDWINDOW, x, y, width,
                             height, nullptr, nullptr, moduleInstance(), nullptr);
}

liveFrame::liveFrame(HWND existing) : liveTopLevelWindow(existing) {}

liveFrame::~liveFrame()
{
    if (menuBar) {
        for (liveMenu* popup : menuBar->popups)
            DestroyMenu(popup->handle);
        delete menuBar;
        menuBar = nullptr;
    }
}

bool liveFrame::isFrame()
{
    return true;
}

void liveFrame::getPosition(int& x, int& y)
{
    RECT rect{};
    GetWindowRect(handle, &rect);
    x = rect.left;
    y = rect.top;
}

void liveFrame::addLayoutItem(liveWindow* child, std::int32_t mode)
{
    if (statusBar)
        addItem(child, mode, 0, 0, 0, statusBarHeight);
    else
        liveWindow::addLayoutItem(child, mode);
}

void liveFrame::addLayoutItemWithMargins(liveWindow* child, int left, int top, int right,
                                         int bottom, std::int32_t mode)
{
    if (statusBar)
        addItem(child, mode, left, top, right, bottom + statusBarHeight);
    else
        liveWindow::addLayoutItemWithMargins(child, left, top, right, bottom, mode);
}

BOOL liveFrame::setMenuBar(liveMenuBar* bar)
{
    const BOOL result = SetMenu(handle, bar ? bar->handle : nullptr);
    // A frame given a second bar still owns the first one; it is freed, not leaked.
    if (menuBar && menuBar != bar) {
        for (liveMenu* popup : menuBar->popups)
            DestroyMenu(popup->handle);
        delete menuBar;
    }
    menuBar = bar;
    return result;
}

void liveFrame::createStatusBar(unsigned parts)
{
    auto* bar = new liveStatusBar(this);
    statusBar = bar;
    if (parts > 1)
        bar->setParts(parts);
    if (!layout) {
        addItem(bar, layoutSelfSized, 0, 0, 0, 0);
    } else {
        // A layout already there keeps its size binding; the status bar goes first in it.
        layout->items.insert(layout->items.begin(),
                             liveLayoutItem{bar, layoutSelfSized, 0, 0, 0, 0});
    }
}
