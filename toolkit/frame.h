// Top-level windows and liveFrame, the main-window class: an overlapped window with an optional
// menu bar and status bar, whose layout leaves the status bar its room at the bottom.
#pragma once

#include <string>

#include "toolkit/window.h"

class liveMenuBar;
class liveStatusBar;

class liveTopLevelWindow : public liveWindow {
public:
    liveTopLevelWindow();
    explicit liveTopLevelWindow(HWND existing);
    virtual void topLevelHook() {}
};

inline constexpr int statusBarHeight = 20;

class liveFrame : public liveTopLevelWindow {
public:
    // Creates a hidden overlapped window of class "liveFrame".
    liveFrame(const std::string& title, int x, int y, int width, int height);
    explicit liveFrame(HWND existing);
    // Destroys the popup menus of the menu bar, then everything liveWindow's destructor does.
    ~liveFrame() override;

    bool isFrame() override;
    // Screen position of the outer rectangle.
    void getPosition(int& x, int& y) override;
    // With a status bar every item gets 20 more pixels of bottom margin.
    void addLayoutItem(liveWindow* child, std::int32_t mode) override;
    void addLayoutItemWithMargins(liveWindow* child, int left, int top, int right, int bottom,
                                  std::int32_t mode) override;
    // Attaches the bar's menu to the window; the frame owns the bar from now on.
    virtual BOOL setMenuBar(liveMenuBar* bar);

    // Creates the status bar (a child), splits it when parts > 1, and starts the frame's layout
    // with it; call before any other layout item is added.
    void createStatusBar(unsigned parts);

    liveStatusBar* statusBar = nullptr;
    liveMenuBar* menuBar = nullptr;
};
