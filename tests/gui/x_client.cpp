#include "gui/x_client.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <poll.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <set>

namespace guitest {
namespace {

Display* dpy(void* connection)
{
    return static_cast<Display*>(connection);
}

using Clock = std::chrono::steady_clock;

std::mutex connectionsLock;
std::set<Display*> ownConnections;
XErrorHandler previousHandler = nullptr;

// Windows of other programs may go at any moment (a menu closing, a program ending): an error
// about one on our connections is an answer, not a reason to end the test program. Errors on
// other connections go to the handler that was there before.
int ignoreOwnErrors(Display* display, XErrorEvent* error)
{
    {
        std::lock_guard guard(connectionsLock);
        if (ownConnections.count(display))
            return 0;
    }
    return previousHandler ? previousHandler(display, error) : 0;
}

// Waits for the next event that pred accepts, answering nothing else; false at the deadline.
template <typename Pred>
bool nextEvent(Display* display, XEvent& event, Clock::time_point deadline, Pred pred)
{
    while (Clock::now() < deadline) {
        while (XPending(display)) {
            XNextEvent(display, &event);
            if (pred(event))
                return true;
        }
        // Sleep until the server sends something or the deadline comes.
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        ::poll(&connection, 1, static_cast<int>(std::max<long long>(1, left.count())));
    }
    return false;
}

void sendClientMessage(Display* display, Window to, Atom type, long l0, long l1, long l2, long l3,
                       long l4)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.display = display;
    event.xclient.window = to;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    event.xclient.data.l[0] = l0;
    event.xclient.data.l[1] = l1;
    event.xclient.data.l[2] = l2;
    event.xclient.data.l[3] = l3;
    event.xclient.data.l[4] = l4;
    XSendEvent(display, to, False, NoEventMask, &event);
    XFlush(display);
}

} // namespace

XClient::XClient(const std::string& display)
{
    Display* d = XOpenDisplay(display.c_str());
    if (!d)
        return;
    static std::once_flag installed;
    std::call_once(installed, [] { previousHandler = XSetErrorHandler(ignoreOwnErrors); });
    {
        std::lock_guard guard(connectionsLock);
        ownConnections.insert(d);
    }
    connection = d;
    own = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(d, own, PropertyChangeMask);
}

XClient::~XClient()
{
    if (connection) {
        XDestroyWindow(dpy(connection), own);
        XCloseDisplay(dpy(connection));
        std::lock_guard guard(connectionsLock);
        ownConnections.erase(dpy(connection));
    }
}

unsigned long XClient::serverTime()
{
    // A zero-length append to a property of our own window: the PropertyNotify carries the
    // server's time, which XDND and selections want instead of CurrentTime.
    Display* d = dpy(connection);
    Atom stamp = XInternAtom(d, "TARNWICK_TIMESTAMP", False);
    XChangeProperty(d, own, stamp, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XFlush(d);
    XEvent event;
    if (nextEvent(d, event, Clock::now() + std::chrono::seconds(2),
                  [&](XEvent& e) { return e.type == PropertyNotify && e.xproperty.atom == stamp; }))
        return event.xproperty.time;
    return CurrentTime;
}

bool XClient::dropUriList(unsigned long target, int x, int y, const std::string& uriList,
                          std::chrono::milliseconds limit)
{
    if (!connection)
        return false;
    Display* d = dpy(connection);
    Clock::time_point deadline = Clock::now() + limit;
    Atom aware = XInternAtom(d, "XdndAware", False);
    Atom enter = XInternAtom(d, "XdndEnter", False);
    Atom position = XInternAtom(d, "XdndPosition", False);
    Atom status = XInternAtom(d, "XdndStatus", False);
    Atom drop = XInternAtom(d, "XdndDrop", False);
    Atom leave = XInternAtom(d, "XdndLeave", False);
    Atom finished = XInternAtom(d, "XdndFinished", False);
    Atom selection = XInternAtom(d, "XdndSelection", False);
    Atom copy = XInternAtom(d, "XdndActionCopy", False);
    Atom uriType = XInternAtom(d, "text/uri-list", False);

    Atom type;
    int format;
    unsigned long count;
    unsigned long after;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, target, aware, 0, 1, False, AnyPropertyType, &type, &format, &count,
                           &after, &data) != Success ||
        !data || count == 0) {
        lastError = "target is not XdndAware";
        if (data)
            XFree(data);
        return false;
    }
    long version = std::min<long>(5, static_cast<long>(*reinterpret_cast<unsigned long*>(data)));
    XFree(data);

    unsigned long time = serverTime();
    XSetSelectionOwner(d, selection, own, time);
    sendClientMessage(d, target, enter, static_cast<long>(own), version << 24,
                      static_cast<long>(uriType), 0, 0);
    sendClientMessage(d, target, position, static_cast<long>(own), 0,
                      (static_cast<long>(x) << 16) | y, static_cast<long>(time),
                      static_cast<long>(copy));

    // Answers the target's request for the data: GTK asks after the drop, Wine already on
    // XdndEnter, before it answers the position.
    auto serveRequest = [&](const XSelectionRequestEvent& request) {
        XEvent reply{};
        reply.xselection.type = SelectionNotify;
        reply.xselection.display = d;
        reply.xselection.requestor = request.requestor;
        reply.xselection.selection = request.selection;
        reply.xselection.target = request.target;
        reply.xselection.time = request.time;
        reply.xselection.property = None;
        if (request.target == uriType && request.property != None) {
            XChangeProperty(d, request.requestor, request.property, uriType, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(uriList.data()),
                            static_cast<int>(uriList.size()));
            reply.xselection.property = request.property;
        }
        XSendEvent(d, request.requestor, False, NoEventMask, &reply);
        XFlush(d);
    };

    XEvent event;
    for (;;) {
        if (!nextEvent(d, event, deadline, [&](XEvent& e) {
                return e.type == SelectionRequest ||
                       (e.type == ClientMessage && e.xclient.message_type == status);
            })) {
            lastError = "no XdndStatus";
            return false;
        }
        if (event.type == ClientMessage)
            break;
        serveRequest(event.xselectionrequest);
    }
    const bool accepted = (event.xclient.data.l[1] & 1) != 0;
    if (!accepted) {
        sendClientMessage(d, target, leave, static_cast<long>(own), 0, 0, 0, 0);
        lastError = "target refused the drag";
        return false;
    }
    sendClientMessage(d, target, drop, static_cast<long>(own), 0, static_cast<long>(time), 0, 0);

    // Serve the target's request for the data, then wait for its answer.
    for (;;) {
        if (!nextEvent(d, event, deadline, [&](XEvent& e) {
                return e.type == SelectionRequest ||
                       (e.type == ClientMessage && e.xclient.message_type == finished);
            })) {
            lastError = "no XdndFinished";
            return false;
        }
        if (event.type == ClientMessage)
            return version < 5 || (event.xclient.data.l[1] & 1) != 0;
        serveRequest(event.xselectionrequest);
    }
}

std::string XClient::clipboardText(std::chrono::milliseconds limit)
{
    if (!connection)
        return {};
    Display* d = dpy(connection);
    Atom clipboard = XInternAtom(d, "CLIPBOARD", False);
    Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    Atom into = XInternAtom(d, "TARNWICK_CLIPBOARD", False);
    XConvertSelection(d, clipboard, utf8, into, own, serverTime());
    XFlush(d);
    XEvent event;
    if (!nextEvent(d, event, Clock::now() + limit,
                   [](XEvent& e) { return e.type == SelectionNotify; }) ||
        event.xselection.property == None)
        return {};
    Atom type;
    int format;
    unsigned long count;
    unsigned long after;
    unsigned char* data = nullptr;
    std::string text;
    if (XGetWindowProperty(d, own, into, 0, 1 << 24, True, AnyPropertyType, &type, &format, &count,
                           &after, &data) == Success &&
        data) {
        text.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
    }
    return text;
}

bool XClient::requestClose(unsigned long window)
{
    if (!connection)
        return false;
    Display* d = dpy(connection);
    Atom protocols = XInternAtom(d, "WM_PROTOCOLS", False);
    Atom deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
    sendClientMessage(d, window, protocols, static_cast<long>(deleteWindow),
                      static_cast<long>(serverTime()), 0, 0, 0);
    return true;
}

int XClient::shownPopupCount()
{
    if (!connection)
        return -1;
    Display* d = dpy(connection);
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count))
        return -1;
    int shown = 0;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(d, children[i], &attributes) &&
            attributes.map_state == IsViewable && attributes.override_redirect &&
            attributes.x + attributes.width > 0 && attributes.y + attributes.height > 0 &&
            attributes.width > 1) // not GTK's hidden helpers, parked off the screen
            ++shown;
    }
    if (children)
        XFree(children);
    return shown;
}

std::string XClient::windowPixels(unsigned long window)
{
    if (!connection)
        return {};
    Display* d = dpy(connection);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(d, window, &attributes) || attributes.map_state != IsViewable)
        return {};
    XImage* image = XGetImage(d, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (!image)
        return {};
    std::string pixels(image->data, static_cast<std::size_t>(image->bytes_per_line) *
                                        static_cast<std::size_t>(image->height));
    XDestroyImage(image);
    return pixels;
}

std::string fileUri(const std::string& path)
{
    static const char* hex = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri;
}

} // namespace guitest
