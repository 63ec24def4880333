// A window class whose procedure records every message it receives, so tests can compare what a
// window saw with the sequence they expect.
#pragma once

#include "platform/win32.h"
#include "platform/winlayer/display_driver.h"
#include "platform/winlayer/drops.h"
#include "platform/winlayer/message_box_records.h"
#include "platform/winlayer/state_queries.h"
#include "platform/winlayer/waits.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace window_test {

struct Received {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD threadId;
};

class MessageLog {
public:
    // Answers a message instead of DefWindowProcA when it returns a value.
    using Handler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

    void setHandler(Handler handler);
    void add(const Received& message);
    std::optional<LRESULT> answer(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    std::vector<Received> all() const;
    // The message numbers received, in order, leaving out those not listed in `only` (if given).
    std::vector<UINT> messages(const std::vector<UINT>& only = {}) const;
    // (window, message) pairs of the listed messages, in order.
    std::vector<std::pair<HWND, UINT>> sequence(const std::vector<UINT>& only) const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<Received> received_;
    Handler handler_;
};

// The recording class's name; registered on first use.
const char* recordingClass();

// A window of the recording class that logs into `log`.
HWND createRecorded(MessageLog& log, DWORD style = WS_OVERLAPPEDWINDOW, HWND parent = nullptr,
                    int id = 0, int x = 10, int y = 20, int width = 300, int height = 200);

// Takes and dispatches every message now in the calling thread's queue (a WM_QUIT is taken and
// ignored); returns how many were dispatched.
int pumpMessages();

// The window's text through WM_GETTEXTLENGTH and WM_GETTEXT.
std::string textOf(HWND window);

} // namespace window_test
