#include "platform/window/message_log.h"

namespace window_test {
namespace {

LRESULT CALLBACK recordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* log = reinterpret_cast<MessageLog*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (log) {
        log->add({hwnd, message, wParam, lParam, GetCurrentThreadId()});
        if (std::optional<LRESULT> answer = log->answer(hwnd, message, wParam, lParam))
            return *answer;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace

void MessageLog::setHandler(Handler handler)
{
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

void MessageLog::add(const Received& message)
{
    std::lock_guard lock(mutex_);
    received_.push_back(message);
}

std::optional<LRESULT> MessageLog::answer(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        handler = handler_;
    }
    return handler ? handler(hwnd, message, wParam, lParam) : std::nullopt;
}

std::vector<Received> MessageLog::all() const
{
    std::lock_guard lock(mutex_);
    return received_;
}

std::vector<UINT> MessageLog::messages(const std::vector<UINT>& only) const
{
    std::vector<UINT> found;
    for (const auto& [pair_hwnd, message] : sequence(only))
        found.push_back(message);
    return found;
}

std::vector<std::pair<HWND, UINT>> MessageLog::sequence(const std::vector<UINT>& only) const
{
    std::lock_guard lock(mutex_);
    std::vector<std::pair<HWND, UINT>> found;
    for (const Received& received : received_) {
        bool listed = only.empty();
        for (UINT wanted : only)
            listed = listed || wanted == received.message;
        if (listed)
            found.emplace_back(received.hwnd, received.message);
    }
    return found;
}

void MessageLog::clear()
{
    std::lock_guard lock(mutex_);
    received_.clear();
}

const char* recordingClass()
{
    static const char* name = [] {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = recordingProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "windowTestRecorder";
        RegisterClassExA(&windowClass);
        return "windowTestRecorder";
    }();
    return name;
}

HWND createRecorded(MessageLog& log, DWORD style, HWND parent, int id, int x, int y, int width,
                    int height)
{
    return CreateWindowExA(0, recordingClass(), "recorded", style, x, y, width, height, parent,
                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                           GetModuleHandleA(nullptr), &log);
}

int pumpMessages()
{
    int count = 0;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
            continue;
        DispatchMessageA(&message);
        ++count;
    }
    return count;
}

std::string textOf(HWND window)
{
    auto length = static_cast<std::size_t>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
    std::string text(length + 1, '\0');
    auto copied =
        SendMessageA(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

} // namespace window_test
