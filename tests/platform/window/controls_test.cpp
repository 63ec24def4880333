// The system controls: state kept by the layer, messages handled on the caller's thread.
#include "platform/window/message_log.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using namespace window_test;

namespace {

void append(HWND edit, const char* piece)
{
    auto length = SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0);
    SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(length), length);
    SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(piece));
}

class Controls : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame = createRecorded(log, WS_OVERLAPPEDWINDOW, nullptr, 0, 200, 100, 600, 600);
    }
    void TearDown() override { DestroyWindow(frame); }

    HWND createEdit(DWORD style = 0x10A018C4, const char* text = nullptr)
    {
        return CreateWindowExA(WS_EX_WINDOWEDGE, "edit", text, style | WS_CHILD, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, frame, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    }

    MessageLog log;
    HWND frame = nullptr;
};

TEST_F(Controls, EditSetAndGetTextFollowTheBufferRules)
{
    HWND edit = createEdit(0, "initial");
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(textOf(edit), "initial");
    EXPECT_TRUE(SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("hello world")));
    char small[6] = "xxxxx";
    EXPECT_EQ(SendMessageA(edit, WM_GETTEXT, sizeof small, reinterpret_cast<LPARAM>(small)), 5);
    EXPECT_STREQ(small, "hello");
    char one[1] = {'x'};
    EXPECT_EQ(SendMessageA(edit, WM_GETTEXT, 1, reinterpret_cast<LPARAM>(one)), 0);
    EXPECT_EQ(one[0], '\0');
    EXPECT_EQ(SendMessageA(edit, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(small)), 0);
    SendMessageA(edit, WM_SETTEXT, 0, 0); // null text empties it
    EXPECT_EQ(textOf(edit), "");
}

TEST_F(Controls, AppendingAddsExactlyThePieceAtTheEnd)
{
    HWND edit = createEdit();
    append(edit, "a");
    append(edit, "b");
    append(edit, "\r\n");
    append(edit, "");
    EXPECT_EQ(textOf(edit), "ab\r\n");
    // Read-only stops the user, not the program.
    EXPECT_TRUE(GetWindowLongPtrA(edit, GWL_STYLE) & ES_READONLY);
}

TEST_F(Controls, SelectionRulesOfSetSelAndReplaceSel)
{
    HWND edit = createEdit(0, "0123456789");
    struct Case {
        LONG start;
        LONG end;
        const char* replacement;
        const char* expected;
    };
    const Case cases[] = {
        {2, 4, "ab", "01ab456789"}, // a range
        {4, 2, "XY", "01XY456789"}, // reversed range
        {0, -1, "all", "all"},      // -1 end: to the end of the text
        {1, 1, "+", "a+ll"},        // an insertion
        {100, 200, "!", "a+ll!"},   // beyond the end: clamped
    };
    for (const Case& c : cases) {
        SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(c.start), c.end);
        SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(c.replacement));
        EXPECT_EQ(textOf(edit), c.expected) << c.start << "," << c.end;
    }
    // -1 as start removes the selection: the caret stays where the last replacement ended.
    SendMessageA(edit, EM_SETSEL, 0, 2);
    SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(-1), 0);
    DWORD start = 9;
    DWORD end = 9;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 2u);
    EXPECT_EQ(end, 2u);
}

TEST_F(Controls, ReadOnlyStyleFollowsSetReadOnly)
{
    HWND edit = createEdit(ES_MULTILINE);
    EXPECT_FALSE(GetWindowLongPtrA(edit, GWL_STYLE) & ES_READONLY);
    EXPECT_TRUE(SendMessageA(edit, EM_SETREADONLY, TRUE, 0));
    EXPECT_TRUE(GetWindowLongPtrA(edit, GWL_STYLE) & ES_READONLY);
    SendMessageA(edit, EM_SETREADONLY, FALSE, 0);
    EXPECT_FALSE(GetWindowLongPtrA(edit, GWL_STYLE) & ES_READONLY);
    HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
    SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    EXPECT_EQ(SendMessageA(edit, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(font));
}

TEST_F(Controls, ControlsAnswerOtherThreadsWithoutTheOwnerServingItsQueue)
{
    // The owner (this thread) never pumps while the writers run: controls need no owner.
    HWND edit = createEdit();
    constexpr int kThreads = 4;
    constexpr int kLines = 500;
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([edit, t] {
            std::string line = "thread " + std::to_string(t) + "\r\n";
            for (int i = 0; i < kLines; ++i) {
                // One message per piece: each lands whole, whatever the interleaving.
                SendMessageA(edit, EM_SETSEL, 0x7FFFFFFF, -1);
                SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
                SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0);
            }
        });
    }
    for (auto& writer : writers)
        writer.join();
    std::string text = textOf(edit);
    // Selection and replacement are separate messages, so two writers may both replace at the
    // same spot; every line still arrives intact and none is lost.
    std::size_t lines = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos;
         at = text.find("\r\n", at + 2))
        ++lines;
    EXPECT_EQ(lines, static_cast<std::size_t>(kThreads * kLines));
    EXPECT_EQ(text.size(),
              static_cast<std::size_t>(kThreads * kLines) * std::string("thread 0\r\n").size());
}

TEST_F(Controls, StatusBarPartsAndTexts)
{
    InitCommonControls();
    HWND bar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0,
                               0, 0, 0, frame, reinterpret_cast<HMENU>(101), nullptr, nullptr);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(SendMessageA(bar, SB_GETPARTS, 0, 0), 1);

    int edges[2] = {300, 600};
    EXPECT_TRUE(SendMessageA(bar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(edges)));
    int read[3] = {0, 0, 0};
    EXPECT_EQ(SendMessageA(bar, SB_GETPARTS, 3, reinterpret_cast<LPARAM>(read)), 2);
    EXPECT_EQ(read[0], 300);
    EXPECT_EQ(read[1], 600);

    SendMessageA(bar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>("Compressing File: 1/3"));
    SendMessageA(bar, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>("Saved: 1.000 KB"));
    SendMessageA(bar, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>("Saved: 2.500 KB"));
    EXPECT_FALSE(SendMessageA(bar, SB_SETTEXTA, 2, reinterpret_cast<LPARAM>("no such part")));

    auto length = SendMessageA(bar, SB_GETTEXTLENGTHA, 1, 0);
    EXPECT_EQ(LOWORD(length), 15);
    char buffer[64];
    EXPECT_EQ(LOWORD(SendMessageA(bar, SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(buffer))), 15);
    EXPECT_STREQ(buffer, "Saved: 2.500 KB");
    SendMessageA(bar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(buffer));
    EXPECT_STREQ(buffer, "Compressing File: 1/3");
    EXPECT_EQ(SendMessageA(bar, SB_GETTEXTA, 5, reinterpret_cast<LPARAM>(buffer)), 0);

    auto state = winlayer::statusBarState(bar);
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ(state->texts, (std::vector<std::string>{"Compressing File: 1/3", "Saved: 2.500 KB"}));
    EXPECT_FALSE(winlayer::statusBarState(frame).has_value());

    EXPECT_FALSE(SendMessageA(bar, SB_SETPARTS, 0, reinterpret_cast<LPARAM>(edges)));
    EXPECT_FALSE(SendMessageA(bar, SB_SETPARTS, 300, reinterpret_cast<LPARAM>(edges)));
}

TEST_F(Controls, StatusBarMovesToTheBottomOfItsParentOnSize)
{
    HWND bar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, frame,
                               reinterpret_cast<HMENU>(101), nullptr, nullptr);
    RECT client;
    GetClientRect(frame, &client);
    auto docked = [&] {
        auto state = winlayer::windowState(bar);
        return state->rect;
    };
    // Shown at creation, it docked already.
    EXPECT_EQ(docked().bottom, client.bottom);
    EXPECT_EQ(docked().right, client.right);

    MoveWindow(frame, 0, 0, 800, 400, TRUE);
    GetClientRect(frame, &client);
    SendMessageA(bar, WM_SIZE, 0, 0);
    RECT placed = docked();
    EXPECT_EQ(placed.left, 0);
    EXPECT_EQ(placed.right, client.right);
    EXPECT_EQ(placed.bottom, client.bottom);
    EXPECT_EQ(placed.bottom - placed.top, 20);
}

TEST_F(Controls, AButtonClickSendsCommandToItsParentFromAnyThread)
{
    HWND button =
        CreateWindowExA(WS_EX_WINDOWEDGE, "BUTTON", "Go", WS_CHILD | WS_VISIBLE, 0, 0, 80, 20,
                        frame, reinterpret_cast<HMENU>(1024), GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(GetDlgCtrlID(button), 1024);
    log.clear();
    SendMessageA(button, BM_CLICK, 0, 0);
    auto received = log.all();
    ASSERT_EQ(log.messages({WM_COMMAND}).size(), 1u);
    const Received& command = received.back();
    EXPECT_EQ(command.message, static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(LOWORD(command.wParam), 1024);
    EXPECT_EQ(HIWORD(command.wParam), BN_CLICKED);
    EXPECT_EQ(command.lParam, reinterpret_cast<LPARAM>(button));

    // From another thread the command still reaches the parent on the parent's thread.
    log.clear();
    std::thread clicker([button] { SendMessageA(button, BM_CLICK, 0, 0); });
    while (log.messages({WM_COMMAND}).empty()) {
        pumpMessages();
        winlayer::waitForInput(10);
    }
    clicker.join();
    EXPECT_EQ(log.all().back().threadId, GetCurrentThreadId());

    // A posted click (what a display does) arrives the same way.
    log.clear();
    PostMessageA(button, BM_CLICK, 0, 0);
    pumpMessages();
    EXPECT_EQ(log.messages({WM_COMMAND}).size(), 1u);

    char label[8];
    GetWindowTextA(button, label, sizeof label);
    EXPECT_STREQ(label, "Go");
}

} // namespace
