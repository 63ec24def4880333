// Subclassing a system control: its procedure takes every message, passes on what it does not
// handle, and one call of it is a single step for the control.
#include "platform/window/message_log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

using namespace window_test;

namespace {

constexpr UINT appendSlowly = WM_APP + 1;

WNDPROC editProc = nullptr;
std::atomic<int> subclassCalls{0};
std::atomic<bool> endSelected{false};
std::atomic<bool> otherSendReturned{false};
bool otherSendReturnedTooEarly = false;

// Counts what it sees; appendSlowly selects the end, waits a while, then replaces.
LRESULT CALLBACK subclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    ++subclassCalls;
    if (message != appendSlowly)
        return CallWindowProcA(editProc, hWnd, message, wParam, lParam);
    LRESULT length = CallWindowProcA(editProc, hWnd, WM_GETTEXTLENGTH, 0, 0);
    CallWindowProcA(editProc, hWnd, EM_SETSEL, static_cast<WPARAM>(length), length);
    endSelected = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    otherSendReturnedTooEarly = otherSendReturned.load();
    CallWindowProcA(editProc, hWnd, EM_REPLACESEL, FALSE, lParam);
    return 1;
}

class ControlSubclass : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame = createRecorded(log, WS_OVERLAPPEDWINDOW, nullptr, 0, 200, 100, 600, 600);
        edit = CreateWindowExA(0, "edit", "start", WS_CHILD | ES_MULTILINE, 0, 0, 100, 100, frame,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
        subclassCalls = 0;
    }
    void TearDown() override { DestroyWindow(frame); }

    MessageLog log;
    HWND frame = nullptr;
    HWND edit = nullptr;
};

TEST_F(ControlSubclass, TheSubclassSeesEveryMessageUntilTheOldProcedureIsPutBack)
{
    auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(edit, GWLP_WNDPROC));
    ASSERT_NE(original, nullptr);
    // The control's own procedure reaches the control.
    EXPECT_EQ(CallWindowProcA(original, edit, WM_GETTEXTLENGTH, 0, 0), 5);

    editProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&subclassProc)));
    EXPECT_EQ(editProc, original);
    EXPECT_EQ(GetWindowLongPtrA(edit, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&subclassProc));

    // From this thread and another, through SendMessageA and the text calls alike.
    EXPECT_EQ(textOf(edit), "start");
    std::thread([this] { SetWindowTextA(edit, "other"); }).join();
    EXPECT_EQ(textOf(edit), "other");
    EXPECT_EQ(subclassCalls.load(), 5);

    // The old procedure back: the control is as it was, and the subclass hears nothing more.
    EXPECT_EQ(SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original)),
              reinterpret_cast<LONG_PTR>(&subclassProc));
    EXPECT_EQ(GetWindowLongPtrA(edit, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(original));
    EXPECT_EQ(textOf(edit), "other");
    EXPECT_EQ(subclassCalls.load(), 5);
}

TEST_F(ControlSubclass, NoOtherMessageFallsIntoOneCallOfTheSubclass)
{
    editProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&subclassProc)));
    endSelected = false;
    otherSendReturned = false;
    otherSendReturnedTooEarly = true;

    std::thread mover([this] {
        while (!endSelected)
            std::this_thread::yield();
        // Sent while the subclass is between its steps: it waits for the whole call.
        SendMessageA(edit, EM_SETSEL, 0, 0);
        otherSendReturned = true;
    });
    const char piece[] = "+end";
    EXPECT_EQ(SendMessageA(edit, appendSlowly, 0, reinterpret_cast<LPARAM>(piece)), 1);
    mover.join();

    EXPECT_FALSE(otherSendReturnedTooEarly);
    EXPECT_EQ(textOf(edit), "start+end");
    DWORD start = 9;
    DWORD end = 9;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 0u);
}

} // namespace
