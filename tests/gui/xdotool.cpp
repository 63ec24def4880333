#include "gui/xdotool.h"

#include <X11/Xlib.h>

#include <algorithm>

#include "gui/gui_support.h"
#include "gui/x_client.h"
#include "support/waiting.h"

namespace guitest {
namespace {

using namespace std::chrono_literals;

bool opensMenu(const std::string& key)
{
    return key.size() == 5 && key.rfind("alt+", 0) == 0;
}

// Keys that move the highlight inside an open menu and leave it open.
bool movesInMenu(const std::string& key)
{
    return key == "Up" || key == "Down";
}

unsigned long rootOr(unsigned long window, const std::string& display)
{
    if (window != 0)
        return window;
    Display* d = XOpenDisplay(display.c_str());
    if (!d)
        return 0;
    unsigned long root = DefaultRootWindow(d);
    XCloseDisplay(d);
    return root;
}

bool plainColour(const std::string& pixels)
{
    // 32 bits a pixel on the test server (24-bit depth).
    if (pixels.size() < 8)
        return true;
    for (std::size_t i = 4; i + 4 <= pixels.size(); i += 4)
        if (pixels.compare(i, 3, pixels, 0, 3) != 0)
            return false;
    return true;
}

} // namespace

unsigned long XDoTool::waitForWindow(const std::string& namePattern) const
{
    CommandResult found = runCommand(
        {"timeout", "10", "xdotool", "search", "--sync", "--onlyvisible", "--name", namePattern},
        display);
    return found.out.empty() ? 0 : std::stoul(found.out);
}

bool XDoTool::windowShown(const std::string& namePattern) const
{
    return !runCommand({"xdotool", "search", "--onlyvisible", "--name", namePattern}, display)
                .out.empty();
}

void XDoTool::typeKeys(unsigned long window, const std::vector<std::string>& keys) const
{
    runCommand({"xdotool", "windowfocus", "--sync", std::to_string(window)}, display);
    XClient client(display);
    const int withoutMenu = client.shownPopupCount();
    bool menuOpen = false;
    for (const std::string& key : keys) {
        runCommand({"xdotool", "key", key}, display);
        if (opensMenu(key)) {
            menuOpen = waitUntil([&] { return client.shownPopupCount() > withoutMenu; }, 5s);
        } else if (menuOpen && !movesInMenu(key)) {
            // Choosing an item or Escape closes the menu.
            waitUntil([&] { return client.shownPopupCount() <= withoutMenu; }, 5s);
            menuOpen = false;
        }
    }
}

void XDoTool::pressKeyIn(unsigned long window, const std::string& key) const
{
    runCommand({"xdotool", "windowfocus", "--sync", std::to_string(window), "key", key}, display);
}

void XDoTool::clickAt(int x, int y) const
{
    runCommand({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "click", "1"},
               display);
}

void XDoTool::clickIn(unsigned long window, int x, int y) const
{
    runCommand({"xdotool", "mousemove", "--window", std::to_string(window), std::to_string(x),
                std::to_string(y), "click", "1"},
               display);
}

void XDoTool::resize(unsigned long window, int width, int height) const
{
    runCommand({"xdotool", "windowsize", std::to_string(window), std::to_string(width),
                std::to_string(height)},
               display);
}

std::string XDoTool::picture(unsigned long window) const
{
    XClient client(display);
    return client.windowPixels(rootOr(window, display));
}

bool XDoTool::waitUntilDrawn(unsigned long window, const std::string& changedFrom,
                             std::chrono::milliseconds limit) const
{
    XClient client(display);
    const unsigned long shown = rootOr(window, display);
    std::string previous;
    return waitUntil(
        [&] {
            std::string now = client.windowPixels(shown);
            bool drawn = !now.empty() && now == previous && !plainColour(now) &&
                         (changedFrom.empty() || now != changedFrom);
            previous = std::move(now);
            return drawn;
        },
        limit, 20ms);
}

void XDoTool::screenshot(const std::string& fileName) const
{
    runCommand({"import", "-window", "root", artifactsFolder() + "/" + fileName}, display);
}

} // namespace guitest
