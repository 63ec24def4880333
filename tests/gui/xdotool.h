// The window tests' one way of acting like a user: xdotool against a given X server, and waits
// for what each action should lead to (a window shown, a menu open or closed, a window drawn).
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace guitest {

// The main window's title as an xdotool search pattern.
inline const std::string mainWindowName = "^Tarnwick 6\\.1$";

class XDoTool {
public:
    // display ":N"
    explicit XDoTool(std::string display) : display(std::move(display)) {}

    // The visible window whose title matches the pattern, once it is shown; 0 if none shows
    // within ten seconds.
    unsigned long waitForWindow(const std::string& namePattern = mainWindowName) const;
    // Whether a visible window's title matches the pattern now.
    bool windowShown(const std::string& namePattern = mainWindowName) const;

    // Focuses the window and types the keys (xdotool names) one after another. A key that opens
    // a menu (alt+letter) is followed by a wait until the menu is shown, and a key typed into an
    // open menu (other than Up and Down, which only move in it) by a wait until the menu has gone,
    // so that the next key reaches the right place.
    void typeKeys(unsigned long window, const std::vector<std::string>& keys) const;
    // Focuses the window and presses one key.
    void pressKeyIn(unsigned long window, const std::string& key) const;

    // A left click at a position on the screen, or relative to a window.
    void clickAt(int x, int y) const;
    void clickIn(unsigned long window, int x, int y) const;

    void resize(unsigned long window, int width, int height) const;

    // Waits until the window (0: the whole screen) has been drawn: not one plain colour, and the
    // same in two pictures taken one after the other. changedFrom, when given, is a picture the
    // window must differ from. False if that does not happen within the limit.
    bool waitUntilDrawn(unsigned long window, const std::string& changedFrom = "",
                        std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) const;
    // The window's pixels now (0: the whole screen), for waitUntilDrawn's changedFrom.
    std::string picture(unsigned long window) const;

    // A screenshot of the whole screen into the artifacts folder.
    void screenshot(const std::string& fileName) const;

private:
    std::string display;
};

} // namespace guitest
