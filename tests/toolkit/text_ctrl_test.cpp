// The edit control wrapper: exact appends, and appends from several threads lose nothing.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

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

} // namespace
