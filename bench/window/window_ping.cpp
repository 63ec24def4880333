#include "bench/window/window_ping.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>

namespace {

using Clock = std::chrono::steady_clock;

Display* dpy(void* connection)
{
    return static_cast<Display*>(connection);
}

} // namespace

WindowPing::WindowPing(const char* display)
{
    Display* d = XOpenDisplay(display);
    if (!d)
        return;
    connection = d;
    // The answer goes to the root window as a window manager would receive it.
    XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
}

WindowPing::~WindowPing()
{
    if (connection)
        XCloseDisplay(dpy(connection));
}

bool WindowPing::answersPings(unsigned long window)
{
    Display* d = dpy(connection);
    Atom* protocols = nullptr;
    int count = 0;
    if (!XGetWMProtocols(d, window, &protocols, &count))
        return false;
    const Atom ping = XInternAtom(d, "_NET_WM_PING", False);
    bool found = false;
    for (int i = 0; i < count; ++i)
        found = found || protocols[i] == ping;
    XFree(protocols);
    return found;
}

double WindowPing::roundTrip(unsigned long window, std::chrono::milliseconds limit)
{
    Display* d = dpy(connection);
    const Atom protocols = XInternAtom(d, "WM_PROTOCOLS", False);
    const Atom ping = XInternAtom(d, "_NET_WM_PING", False);
    const long id = ++serial;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(ping);
    event.xclient.data.l[1] = id; // stands in for the timestamp, which comes back unchanged
    event.xclient.data.l[2] = static_cast<long>(window);
    const Clock::time_point start = Clock::now();
    XSendEvent(d, window, False, NoEventMask, &event);
    XFlush(d);
    const Clock::time_point deadline = start + limit;
    for (;;) {
        while (XPending(d) > 0) {
            XEvent answer;
            XNextEvent(d, &answer);
            if (answer.type == ClientMessage && answer.xclient.message_type == protocols &&
                answer.xclient.data.l[0] == static_cast<long>(ping) &&
                answer.xclient.data.l[1] == id)
                return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return -1;
        pollfd socket{ConnectionNumber(d), POLLIN, 0};
        ::poll(&socket, 1, static_cast<int>(left.count()));
    }
}
