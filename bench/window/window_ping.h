// A message round trip to a program's window that only its interface thread can answer: the
// window manager's ping (_NET_WM_PING), which GTK answers from its event handling. A window
// whose thread is busy answers late.
#pragma once

#include <chrono>

class WindowPing {
public:
    explicit WindowPing(const char* display);
    ~WindowPing();
    WindowPing(const WindowPing&) = delete;
    WindowPing& operator=(const WindowPing&) = delete;

    bool ok() const { return connection != nullptr; }
    // Whether the window lists the ping among its protocols.
    bool answersPings(unsigned long window);
    // Milliseconds until the window answered a ping; negative when no answer came within limit.
    double roundTrip(unsigned long window, std::chrono::milliseconds limit);

private:
    void* connection = nullptr; // Display*
    long serial = 0;
};
