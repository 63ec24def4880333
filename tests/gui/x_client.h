// A small Xlib client for the tests: a drag-and-drop source that speaks XDND the way a file
// manager does, the clipboard, and the close request a window manager sends.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace guitest {

class XClient {
public:
    // Connects to the display; ok() tells whether it worked.
    explicit XClient(const std::string& display);
    ~XClient();
    XClient(const XClient&) = delete;
    XClient& operator=(const XClient&) = delete;

    bool ok() const { return connection != nullptr; }

    // Drags the text/uri-list (CRLF-separated URIs) from a window of our own onto the window
    // `target` at root position (x, y) and drops it. True when the target accepted the drop and
    // answered XdndFinished with success.
    bool dropUriList(unsigned long target, int x, int y, const std::string& uriList,
                     std::chrono::milliseconds limit = std::chrono::milliseconds(5000));

    // The CLIPBOARD selection as UTF-8 text; empty when nobody owns it.
    std::string clipboardText(std::chrono::milliseconds limit = std::chrono::milliseconds(3000));

    // Asks the window to close, as a window manager's close box does (WM_DELETE_WINDOW).
    bool requestClose(unsigned long window);

    // Shown override-redirect windows (open menus and other pop-ups); -1 without a connection.
    int shownPopupCount();

    // The window's pixels as the server has them; empty when it is not shown.
    std::string windowPixels(unsigned long window);

    std::string lastError;

private:
    unsigned long serverTime();

    void* connection = nullptr; // Display*
    unsigned long own = 0;      // Window
};

// "file://" and the path with everything but unreserved characters and "/" percent-encoded.
std::string fileUri(const std::string& path);

} // namespace guitest
