// Message boxes: shown by the display driver; the null driver answers at once. Every box is
// recorded so tests can see what was shown.
#include "platform/posix/window/window_object.h"
#include "platform/winlayer/display_driver.h"
#include "platform/winlayer/message_box_records.h"

#include <deque>
#include <mutex>

namespace {

constexpr std::size_t kKeptRecords = 256;

struct BoxLog {
    std::mutex mutex;
    std::deque<winlayer::MessageBoxRecord> records;
};

BoxLog& boxLog()
{
    static BoxLog& instance = *new BoxLog;
    return instance;
}

} // namespace

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    if (hWnd && !winlayer::findWindow(hWnd))
        return 0;
    std::string text = lpText ? lpText : "";
    std::string caption = lpCaption ? lpCaption : "Error";
    int answer = winlayer::displayDriver().messageBox(hWnd, text, caption, uType);
    std::lock_guard lock(boxLog().mutex);
    boxLog().records.push_back(
        {hWnd, std::move(text), std::move(caption), uType, GetCurrentThreadId(), answer});
    if (boxLog().records.size() > kKeptRecords)
        boxLog().records.pop_front();
    return answer;
}

namespace winlayer {

std::vector<MessageBoxRecord> shownMessageBoxes()
{
    std::lock_guard lock(boxLog().mutex);
    return {boxLog().records.begin(), boxLog().records.end()};
}

void clearShownMessageBoxes()
{
    std::lock_guard lock(boxLog().mutex);
    boxLog().records.clear();
}

} // namespace winlayer
