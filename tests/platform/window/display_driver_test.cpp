// What a display driver is told: shown windows, text changes as pieces, status and menu changes;
// and what it can do: answer message boxes, report resizes.
#include "platform/window/message_log.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

using namespace window_test;

namespace {

class RecordingDriver : public winlayer::DisplayDriver {
public:
    struct Text {
        HWND edit;
        std::size_t start;
        std::size_t removed;
        std::string inserted;
    };

    void windowShown(HWND window, bool visible) override { add("shown", window, visible); }
    void windowDestroyed(HWND window) override
    {
        // Still readable at this point. Read before taking our own lock: textChanged takes it
        // under the control's lock, and the query takes the control's lock.
        bool readable = winlayer::windowState(window).has_value();
        std::lock_guard lock(mutex);
        destroyedWithState.push_back(readable);
        events.push_back("destroyed");
    }
    void windowTextChanged(HWND window) override { add("title", window, true); }
    void textChanged(HWND edit, const winlayer::TextChange& change) override
    {
        std::lock_guard lock(mutex);
        texts.push_back({edit, change.start, change.removed, std::string(change.inserted)});
    }
    void statusChanged(HWND, int part) override
    {
        std::lock_guard lock(mutex);
        statusParts.push_back(part);
    }
    void menuBarChanged(HWND window) override { add("menubar", window, true); }
    void menuItemStateChanged(HMENU, UINT position, UINT flags) override
    {
        std::lock_guard lock(mutex);
        menuStates.emplace_back(position, flags);
    }
    int messageBox(HWND, const std::string& text, const std::string&, UINT) override
    {
        std::lock_guard lock(mutex);
        boxes.push_back(text);
        return IDCANCEL;
    }

    std::mutex mutex;
    std::vector<std::string> events;
    std::vector<bool> destroyedWithState;
    std::vector<Text> texts;
    std::vector<int> statusParts;
    std::vector<std::pair<UINT, UINT>> menuStates;
    std::vector<std::string> boxes;

private:
    void add(const char* what, HWND, bool flag)
    {
        std::lock_guard lock(mutex);
        events.push_back(std::string(what) + (flag ? "+" : "-"));
    }
};

class DisplayDriver : public ::testing::Test {
protected:
    void SetUp() override { winlayer::setDisplayDriver(&driver); }
    void TearDown() override { winlayer::setDisplayDriver(nullptr); }
    RecordingDriver driver;
};

TEST_F(DisplayDriver, AppendsArriveAsPiecesAndWholeReplacementsAsSuch)
{
    MessageLog log;
    HWND frame = createRecorded(log);
    HWND edit = CreateWindowExA(0, "edit", "", WS_CHILD | ES_MULTILINE, 0, 0, 10, 10, frame,
                                nullptr, nullptr, nullptr);
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("abc"));
    SendMessageA(edit, EM_SETSEL, 3, 3);
    SendMessageA(edit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("de"));
    SendMessageA(edit, EM_SETSEL, 0, 1);
    SendMessageA(edit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("A"));
    ASSERT_EQ(driver.texts.size(), 3u);
    EXPECT_EQ(driver.texts[0].removed, 0u);
    EXPECT_EQ(driver.texts[0].inserted, "abc");
    EXPECT_EQ(driver.texts[1].start, 3u); // an append: at the old length, nothing removed
    EXPECT_EQ(driver.texts[1].removed, 0u);
    EXPECT_EQ(driver.texts[1].inserted, "de");
    EXPECT_EQ(driver.texts[2].start, 0u);
    EXPECT_EQ(driver.texts[2].removed, 1u);
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("x"));
    EXPECT_EQ(driver.texts[3].removed, 5u); // the whole old text
    DestroyWindow(frame);
}

TEST_F(DisplayDriver, ShowingTitlesMenusAndDestructionAreReported)
{
    MessageLog log;
    HWND frame = createRecorded(log);
    ShowWindow(frame, SW_SHOW);
    ShowWindow(frame, SW_SHOW); // no change, no report
    SetWindowTextA(frame, "Tarnwick 6.1");
    HMENU bar = CreateMenu();
    HMENU popup = CreatePopupMenu();
    AppendMenuA(popup, MF_STRING, 1024, "&Full Compression");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "&Options");
    SetMenu(frame, bar);
    CheckMenuItem(popup, 1024, MF_CHECKED);
    DestroyWindow(frame);
    EXPECT_EQ(driver.events,
              (std::vector<std::string>{"shown+", "title+", "menubar+", "destroyed"}));
    EXPECT_EQ(driver.destroyedWithState, std::vector<bool>{true});
    EXPECT_EQ(driver.menuStates, (std::vector<std::pair<UINT, UINT>>{{0u, MF_CHECKED}}));
}

TEST_F(DisplayDriver, StatusChangesNameThePart)
{
    MessageLog log;
    HWND frame = createRecorded(log);
    HWND bar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD, 0, 0, 0, 0, frame, nullptr,
                               nullptr, nullptr);
    int edges[2] = {100, 200};
    SendMessageA(bar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(edges));
    SendMessageA(bar, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>("Saved: 0.000 KB"));
    EXPECT_EQ(driver.statusParts, (std::vector<int>{-1, 1}));
    DestroyWindow(frame);
}

TEST_F(DisplayDriver, TheDriverAnswersMessageBoxes)
{
    EXPECT_EQ(MessageBoxA(nullptr, "question", "caption", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(driver.boxes, std::vector<std::string>{"question"});
    EXPECT_EQ(winlayer::shownMessageBoxes().back().answer, IDCANCEL);
}

TEST_F(DisplayDriver, AResizeByTheUserPostsSizeWithTheNewClientArea)
{
    MessageLog log;
    HWND frame = createRecorded(log, WS_OVERLAPPEDWINDOW, nullptr, 0, 0, 0, 600, 600);
    pumpMessages();
    log.clear();
    ASSERT_TRUE(winlayer::displayResized(frame, 700, 500));
    EXPECT_TRUE(log.all().empty()); // posted, not sent
    pumpMessages();
    RECT client;
    GetClientRect(frame, &client);
    ASSERT_EQ(log.messages({WM_SIZE}).size(), 1u);
    EXPECT_EQ(log.all().back().lParam, MAKELPARAM(client.right, client.bottom));
    RECT outer;
    GetWindowRect(frame, &outer);
    EXPECT_EQ(outer.right - outer.left, 700);
    EXPECT_EQ(outer.bottom - outer.top, 500);
    EXPECT_TRUE(driver.events.empty()); // the driver is not told about its own change
    DestroyWindow(frame);
}

} // namespace
