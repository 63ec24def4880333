// The display driver seam and the null driver used without a display.
#include "platform/win32.h"
#include "platform/winlayer/display_driver.h"

#include <poll.h>

#include <atomic>
#include <cerrno>

namespace winlayer {
namespace {

DisplayDriver& nullDriver()
{
    static DisplayDriver& instance = *new DisplayDriver;
    return instance;
}

std::atomic<DisplayDriver*> installed{nullptr};

} // namespace

int DisplayDriver::messageBox(HWND, const std::string&, const std::string&, UINT type)
{
    // Nobody to ask: the box's first button.
    switch (type & MB_TYPEMASK) {
    case MB_ABORTRETRYIGNORE:
        return IDABORT;
    case MB_YESNOCANCEL:
    case MB_YESNO:
        return IDYES;
    case MB_RETRYCANCEL:
        return IDRETRY;
    default:
        return IDOK;
    }
}

void DisplayDriver::waitForInput(int queueDescriptor, DWORD milliseconds)
{
    pollfd descriptor{queueDescriptor, POLLIN, 0};
    int timeout = milliseconds == INFINITE ? -1 : static_cast<int>(milliseconds);
    while (poll(&descriptor, 1, timeout) < 0 && errno == EINTR) {
    }
}

void setDisplayDriver(DisplayDriver* driver)
{
    installed.store(driver);
}

DisplayDriver& displayDriver()
{
    DisplayDriver* driver = installed.load();
    return driver ? *driver : nullDriver();
}

} // namespace winlayer
