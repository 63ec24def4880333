// The edit control wrapper: exact appends, and appends from several threads lose nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <sstream>
#include <thread>
#include <utility>

#include "toolkit_test_support.h"

namespace {

class TextCtrlTest : public ::testing::Test {
protected:
    TestApp app;
    bool registered = (registerClassesOnce(app), true);
    liveFrame frame{"f", 0, 0, 300, 300};
};

TEST_F(TextCtrlTest, AppendAddsExactlyThePieceAtTheEnd)
{
    liveMultilineTextCtrl log(&frame, 0, 0, 100, 100, "", logPaneStyle);
    EXPECT_EQ(log.getText(), "");
    log.append("a").append("b").append("\r\n");
    EXPECT_EQ(log.getText(), "ab\r\n");
    log.append("");
    EXPECT_EQ(log.getText(), "ab\r\n");
    // A selection the user made elsewhere does not move where appends go.
    SendMessageA(log.handle, EM_SETSEL, 0, 1);
    log.append("c");
    EXPECT_EQ(log.getText(), "ab\r\nc");

    liveTextCtrl titled(&frame, 0, 0, 100, 20, "x", 0);
    titled.append("y");
    EXPECT_EQ(titled.getText(), "xy");
}

TEST_F(TextCtrlTest, TheLogHoldsMoreThanAnEditControlsDefaultLimit)
{
    // An edit control takes 30,000 characters unless told otherwise; a long job logs more.
    liveMultilineTextCtrl log(&frame, 0, 0, 100, 100, "", logPaneStyle);
    const std::string line = std::string(98, 'x') + "\r\n";
    for (int i = 0; i < 400; ++i)
        log.append(line);
    log.append("last");
    const std::string text = log.getText();
    EXPECT_EQ(text.size(), 400 * line.size() + 4);
    EXPECT_EQ(text.substr(text.size() - 4), "last");
}

TEST_F(TextCtrlTest, AppendsFromSeveralThreadsKeepEveryLineWhole)
{
    liveMultilineTextCtrl log(&frame, 0, 0, 100, 100, "", logPaneStyle);
    constexpr int writers = 4;
    constexpr int lines = 300;
    std::vector<std::thread> threads;
    for (int w = 0; w < writers; ++w)
        threads.emplace_back([&log, w] {
            for (int i = 0; i < lines; ++i)
                log.append("writer " + std::to_string(w) + " line " + std::to_string(i) + "\r\n");
        });
    for (std::thread& thread : threads)
        thread.join();

    std::set<std::string> found;
    std::istringstream text(log.getText());
    for (std::string line; std::getline(text, line);)
        found.insert(line);
    EXPECT_EQ(found.size(), static_cast<std::size_t>(writers * lines));
    EXPECT_EQ(found.count("writer 3 line 299\r"), 1u);
}

// The selection of an edit control, as EM_GETSEL gives it.
std::pair<DWORD, DWORD> selectionOf(HWND edit)
{
    DWORD start = 0;
    DWORD end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
}

// Serves what other threads sent to this thread's windows.
void serveMessages()
{
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);
}

TEST_F(TextCtrlTest, AppendKeepsTheUsersSelectionAndACaretAtTheEndFollowsIt)
{
    liveMultilineTextCtrl log(&frame, 0, 0, 100, 100, "", logPaneStyle);
    log.append("first\r\n");
    EXPECT_EQ(selectionOf(log.handle), std::make_pair(DWORD{7}, DWORD{7}));
    log.append("second\r\n");
    EXPECT_EQ(selectionOf(log.handle), std::make_pair(DWORD{15}, DWORD{15}));

    SendMessageA(log.handle, EM_SETSEL, 2, 9);
    log.append("third\r\n");
    EXPECT_EQ(selectionOf(log.handle), std::make_pair(DWORD{2}, DWORD{9}));
    SendMessageA(log.handle, EM_SETSEL, 4, 4);
    log.append("fourth");
    EXPECT_EQ(selectionOf(log.handle), std::make_pair(DWORD{4}, DWORD{4}));
    SendMessageA(log.handle, EM_SETSEL, 0, -1);
    log.append("!");
    EXPECT_EQ(selectionOf(log.handle), std::make_pair(DWORD{0}, DWORD{28}));
    EXPECT_EQ(log.getText(), "first\r\nsecond\r\nthird\r\nfourth!");
}

TEST_F(TextCtrlTest, AppendsFromAJobGoToTheEndWhileTheUserMovesTheSelection)
{
    // The writer is a job thread; this thread owns the window, serves the writer's messages and
    // moves the selection between them, as clicks and Ctrl+A in the log pane do.
    liveMultilineTextCtrl log(&frame, 0, 0, 100, 100, "begin\r\n", logPaneStyle);
    constexpr int lines = 1500;
    std::string expected = "begin\r\n";
    for (int i = 0; i < lines; ++i)
        expected += "line " + std::to_string(i) + "\r\n";
    // Line by line: this thread selects, lets the writer append one line, and keeps selecting
    // the same again until the line is in, so the moves fall between the writer's steps.
    std::atomic<int> started{0};
    std::atomic<int> appended{0};
    std::thread writer([&log, &started, &appended] {
        for (int i = 0; i < lines; ++i) {
            while (started.load() <= i)
                std::this_thread::yield();
            log.append("line " + std::to_string(i) + "\r\n");
            appended = i + 1;
        }
    });

    int selectionsLost = 0;
    for (int i = 0; i < lines; ++i) {
        const DWORD start = static_cast<DWORD>(i % 3);
        const DWORD end = i % 2 ? start : start + 2;
        SendMessageA(log.handle, EM_SETSEL, start, static_cast<LPARAM>(end));
        started = i + 1;
        for (;;) {
            serveMessages();
            if (appended.load() > i)
                break;
            SendMessageA(log.handle, EM_SETSEL, start, static_cast<LPARAM>(end));
        }
        if (selectionOf(log.handle) != std::make_pair(start, end))
            ++selectionsLost;
    }
    writer.join();
    const std::string text = log.getText();
    EXPECT_EQ(text.size(), expected.size());
    EXPECT_TRUE(text == expected)
        << "the first difference is at byte "
        << std::mismatch(text.begin(), text.end(), expected.begin(), expected.end()).first -
               text.begin();
    EXPECT_EQ(selectionsLost, 0) << "of " << lines << " selections";
}

#ifdef _WIN32
// Only Windows' edit control has a view of its own; the Linux display follows the end itself.
TEST_F(TextCtrlTest, TheViewFollowsTheEndWhileASelectionIsKept)
{
    liveMultilineTextCtrl log(&frame, 0, 0, 100, 60, "", logPaneStyle);
    for (int i = 0; i < 50; ++i)
        log.append("line " + std::to_string(i) + "\r\n");
    const LRESULT atEnd = SendMessageA(log.handle, EM_GETFIRSTVISIBLELINE, 0, 0);
    ASSERT_GT(atEnd, 0);
    SendMessageA(log.handle, EM_SETSEL, 0, 3);
    log.append("more\r\n");
    EXPECT_EQ(SendMessageA(log.handle, EM_GETFIRSTVISIBLELINE, 0, 0), atEnd + 1);
    EXPECT_EQ(selectionOf(log.handle), std::make_pair(DWORD{0}, DWORD{3}));
}
#endif

} // namespace
