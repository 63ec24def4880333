// The main window as GTK shows it, checked against the layer's own state: menus and check
// marks from the settings file, marks that follow both ways, the Help boxes, a real file drop
// filling the log pane and status bar, and a log pane that keeps up with a flood of lines.
#include <glib.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "app/settings.h"
#include "engine/engine_state.h"
#include "gui/gui_support.h"
#include "gui/window_fixture.h"
#include "gui/x_client.h"
#include "platform/gtk/display_text.h"
#include "support/fake_image.h"
#include "toolkit/workers.h"

using namespace guitest;
using namespace std::chrono_literals;
using Item = gtkdisplay::GtkDisplay::ShownMenuItem;

namespace gtkdisplay {
std::ostream& operator<<(std::ostream& out, const GtkDisplay::ShownMenuItem& item)
{
    return out << "{" << item.depth << ", \"" << item.label << "\", sep " << item.separator
               << ", check " << item.check << ", on " << item.active << "}";
}
} // namespace gtkdisplay

namespace {

class MainWindow : public testing::Test {
protected:
    void SetUp() override { std::filesystem::remove(settingsFilePath()); }
    void TearDown() override { std::filesystem::remove(settingsFilePath()); }

    std::vector<Item> shownMenu(WindowSession& session)
    {
        std::vector<Item> items;
        session.onUi([&] {
            WindowSession::display()->flush();
            items = WindowSession::display()->shownMenu(session.frame().handle);
        });
        return items;
    }

    WindowSession session;
};

Item popup(const char* label)
{
    return {0, label, false, false, false};
}
Item check(const char* label, bool on)
{
    return {1, label, false, true, on};
}
Item plain(const char* label)
{
    return {1, label, false, false, false};
}
Item separator()
{
    return {1, "", true, false, false};
}

Item findShown(const std::vector<Item>& items, const std::string& label)
{
    for (const Item& item : items)
        if (item.label == label)
            return item;
    return {};
}

std::atomic<int> buttonClicks{0};
std::atomic<bool> clickOnCommandThread{false};
std::thread::id uiThread;

void countClick()
{
    clickOnCommandThread = std::this_thread::get_id() != uiThread;
    ++buttonClicks;
}

std::size_t lineCount(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
}

} // namespace

TEST_F(MainWindow, MenusShowTheSettingsFileAsCheckMarks)
{
    writeFile(settingsFilePath(), "{\"Full\":false,\"HogSystem\":true,\"Pdfs\":false}");
    bool firstWindow = WindowSession::sessionCount() == 0;
    session.run([&](WindowSession& s) {
        ASSERT_NE(s.xWindow(), 0u);
        std::vector<Item> expected{
            popup("_Options"),
            check("_Full Compression", false),
            check("Strip _MetaData", true),
            check("_Backup Originals", true),
            check("Simultanious _Compressions", true),
            check("Keep File _Dates", false),
            check("_Optimize JPEG, GIF & PDF", false),
            separator(),
            plain("_Stop Compression"),
            plain("E_xit"),
            popup("_Extensions"),
            check("PNG", true),
            check("TIFF / TIF", true),
            check("JPEG / JPG", true),
            check("GIF", true),
            separator(),
            check("PDF", false),
            separator(),
            check("EXE / DLL", false),
            popup("_Help"),
            plain("_Instructions"),
            plain("_About"),
        };
        EXPECT_EQ(shownMenu(s), expected);

        // The sixteen commands take consecutive identifiers in table order.
        std::vector<UINT> ids;
        for (liveMenu* menu :
             {s.frame().optionsMenu, s.frame().extensionsMenu, s.frame().helpMenu}) {
            std::vector<winlayer::MenuItemState> items =
                winlayer::menuState(menu->handle).value_or(std::vector<winlayer::MenuItemState>{});
            for (const winlayer::MenuItemState& item : items)
                if (!(item.flags & MF_SEPARATOR))
                    ids.push_back(static_cast<UINT>(item.id));
        }
        ASSERT_EQ(ids.size(), 16u);
        for (std::size_t i = 1; i < ids.size(); ++i)
            EXPECT_EQ(ids[i], ids[0] + i);
        if (firstWindow) {
            EXPECT_EQ(ids[0], 1024u);
        }
    });
}

TEST_F(MainWindow, CheckMarksFollowTheProgramAndTheUserWithoutRunningACommandTwice)
{
    session.run([&](WindowSession& s) {
        ASSERT_NE(s.xWindow(), 0u);
        HMENU options = s.frame().optionsMenu->handle;
        UINT fullId = s.frame().checkItemIds.at(0);

        // The program changes a mark: GTK follows.
        CheckMenuItem(options, fullId, MF_UNCHECKED);
        EXPECT_FALSE(findShown(shownMenu(s), "_Full Compression").active);
        CheckMenuItem(options, fullId, MF_CHECKED);
        EXPECT_TRUE(findShown(shownMenu(s), "_Full Compression").active);

        // The user chooses the item with the keyboard, twice: flag, layer mark and GTK mark move
        // together, once per choice.
        for (bool expected : {false, true}) {
            s.keys({"alt+o", "f"});
            const std::atomic<bool>& full = s.frame().engine.options[Option::Full];
            EXPECT_TRUE(waitUntil([&] { return full.load() == expected; }, 5s));
            // A second run of the command would be queued by the time the interface thread has
            // served what is pending, and would have run once the command queue is idle.
            s.onUi([] {});
            EXPECT_TRUE(waitUntil([] { return commandQueue().idle(); }, 5s));
            EXPECT_EQ(full.load(), expected);
            EXPECT_EQ((GetMenuState(options, fullId, MF_BYCOMMAND) & MF_CHECKED) != 0, expected);
            EXPECT_EQ(findShown(shownMenu(s), "_Full Compression").active, expected);
        }
    });
}

TEST_F(MainWindow, HelpBoxesShowTheirTextsWhileTheCommandWaits)
{
    struct Case {
        std::vector<std::string> keys;
        std::string caption;
        std::string text;
    };
    const std::vector<Case> cases{
        {{"alt+h", "a"}, "About Tarnwick", aboutText()},
        {{"alt+h", "i"}, "Instructions", instructionsText()},
    };
    session.run([&](WindowSession& s) {
        ASSERT_NE(s.xWindow(), 0u);
        for (const Case& c : cases) {
            winlayer::clearShownMessageBoxes();
            s.keys(c.keys);
            std::vector<std::pair<std::string, std::string>> open;
            ASSERT_TRUE(waitUntil(
                [&] {
                    open = WindowSession::display()->openMessageBoxes();
                    return !open.empty();
                },
                5s));
            EXPECT_EQ(open.front().first, c.caption);
            EXPECT_EQ(open.front().second, c.text);
            // The command that asked for the box is still running.
            EXPECT_FALSE(commandQueue().idle());

            unsigned long box = WindowSession::xdo().waitForWindow("^" + c.caption + "$");
            ASSERT_NE(box, 0u);
            WindowSession::xdo().pressKeyIn(box, "Return");
            EXPECT_TRUE(waitUntil([&] { return commandQueue().idle(); }, 5s));
            std::vector<winlayer::MessageBoxRecord> shown = winlayer::shownMessageBoxes();
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_EQ(shown[0].caption, c.caption);
            EXPECT_EQ(shown[0].text, c.text);
            EXPECT_EQ(shown[0].answer, IDOK);
            EXPECT_EQ(shown[0].owner, s.frame().handle);
        }
    });
    std::string about = aboutText();
    EXPECT_EQ(lineCount(about), 9u);
    EXPECT_EQ(about.substr(0, about.find("\n\n")), "Tarnwick 6.1\nWritten by: Halvorix");
}

TEST_F(MainWindow, DroppedFolderFillsTheLogPaneAndStatusBarAsTheLayerHasThem)
{
    TempFolder work;
    // Each tool makes its file 100 bytes smaller and still the same picture.
    writeProgram(work.file("bin/pngcrush"),
                 "#!/bin/sh\n" + fakeImageCommand() + " --shrink 100 \"$3\" \"$4\"\n");
    for (const char* tool : {"optipng", "pngout", "exiftool"})
        writeProgram(work.file(std::string("bin/") + tool), "#!/bin/sh\nfor last; do :; done\n" +
                                                                fakeImageCommand() +
                                                                " --shrink 100 \"$last\"\n");
    std::string savedPath = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", (work.file("bin") + ":" + savedPath).c_str(), 1);
    writeFile(settingsFilePath(), "{\"Copy\":false}");
    writeFileOfSize(work.file("drop/a.png"), 4096);
    writeFileOfSize(work.file("drop/sub/b.png"), 2048);

    session.run([&](WindowSession& s) {
        unsigned long window = s.xWindow();
        ASSERT_NE(window, 0u);
        XClient source(WindowSession::displayName());
        ASSERT_TRUE(source.dropUriList(window, 450, 300, fileUri(work.file("drop")) + "\r\n"))
            << source.lastError;
        ASSERT_TRUE(waitUntil(
            [&] {
                return s.frame().logPane->getText().find("Finished Compression at ") !=
                       std::string::npos;
            },
            20s));
        EXPECT_TRUE(waitUntil([&] { return dropQueue().idle(); }, 5s));

        std::string layerText = s.frame().logPane->getText();
        std::optional<winlayer::StatusBarState> status =
            winlayer::statusBarState(s.frame().statusBar->handle);
        ASSERT_TRUE(status);
        std::string shownText;
        std::vector<std::string> shownStatus;
        s.onUi([&] {
            WindowSession::display()->flush();
            shownText = WindowSession::display()->shownText(s.frame().logPane->handle);
            shownStatus = WindowSession::display()->shownStatusTexts(s.frame().statusBar->handle);
        });
        EXPECT_EQ(shownText, gtkdisplay::toDisplayText(layerText));
        EXPECT_NE(layerText.find("Starting Compression at "), std::string::npos);
        EXPECT_NE(layerText.find("a.png"), std::string::npos);
        EXPECT_NE(layerText.find("b.png"), std::string::npos);
        ASSERT_EQ(shownStatus.size(), 2u);
        ASSERT_EQ(status->texts.size(), 2u);
        EXPECT_EQ(shownStatus, status->texts);
        EXPECT_EQ(shownStatus[0].rfind("Compressing File: ", 0), 0u) << shownStatus[0];
        EXPECT_EQ(shownStatus[1].rfind("Saved: ", 0), 0u) << shownStatus[1];
        WindowSession::xdo().screenshot("main-window-log.png");
    });
    setenv("PATH", savedPath.c_str(), 1);
    EXPECT_EQ(fileSize(work.file("drop/a.png")), 4096 - 400);
    EXPECT_EQ(fileSize(work.file("drop/sub/b.png")), 2048 - 400);
}

TEST_F(MainWindow, LogPaneKeepsUpWithThousandsOfLinesAndStaysResponsive)
{
    constexpr int lines = 5000;
    session.run([&](WindowSession& s) {
        ASSERT_NE(s.xWindow(), 0u);
        std::atomic<bool> writing{true};
        // Written the way the engine writes: several pieces per line, from a thread of its own.
        std::thread writer([&] {
            for (int i = 0; i < lines; ++i) {
                s.frame().logPane->append("     Line ");
                s.frame().logPane->append(std::to_string(i));
                s.frame().logPane->append(" KB\r\n");
            }
            writing = false;
        });
        auto slowest = std::chrono::milliseconds(0);
        int answered = 0;
        while (writing) {
            auto asked = std::chrono::steady_clock::now();
            s.onUi([] {});
            slowest = std::max(slowest, std::chrono::duration_cast<std::chrono::milliseconds>(
                                            std::chrono::steady_clock::now() - asked));
            ++answered;
        }
        writer.join();
        // Generous: a frozen window would take the whole flood's time to answer.
        EXPECT_LT(slowest.count(), 2000) << "after " << answered << " round trips";

        std::string shown;
        s.onUi([&] {
            WindowSession::display()->flush();
            shown = WindowSession::display()->shownText(s.frame().logPane->handle);
        });
        EXPECT_EQ(shown, s.frame().logPane->getText());
        EXPECT_EQ(lineCount(shown), static_cast<std::size_t>(lines) + 1);
        EXPECT_NE(shown.find("     Line 4999 KB\r\n"), std::string::npos);
        // The pane follows the end of the log.
        EXPECT_TRUE(waitUntil(
            [&] {
                bool atEnd = false;
                s.onUi([&] {
                    atEnd = WindowSession::display()->shownAtEnd(s.frame().logPane->handle);
                });
                return atEnd;
            },
            5s));
    });
}

TEST_F(MainWindow, UserResizeLaysOutTheLogPaneAndStatusBarAgain)
{
    session.run([&](WindowSession& s) {
        unsigned long window = s.xWindow();
        ASSERT_NE(window, 0u);
        WindowSession::xdo().resize(window, 700, 500);
        auto sizeOf = [](HWND handle) -> std::pair<long, long> {
            std::optional<winlayer::WindowState> state = winlayer::windowState(handle);
            if (!state)
                return {-1, -1};
            return {state->rect.right - state->rect.left, state->rect.bottom - state->rect.top};
        };
        ASSERT_TRUE(
            waitUntil([&] { return sizeOf(s.frame().handle) == std::make_pair(700L, 500L); }, 5s));
        // WM_SIZE ran the frame's layout: the log pane fills the client area above the status bar.
        RECT client;
        GetClientRect(s.frame().handle, &client);
        EXPECT_EQ(client.right, 700);
        EXPECT_TRUE(waitUntil(
            [&] {
                return sizeOf(s.frame().logPane->handle) ==
                       std::make_pair(700L, static_cast<long>(client.bottom) - 20);
            },
            5s));
        EXPECT_EQ(sizeOf(s.frame().statusBar->handle).first, 700L);
    });
}

TEST_F(MainWindow, AppendsLeaveTheUsersSelectionInTheLogPaneAsItWas)
{
    session.run([&](WindowSession& s) {
        unsigned long window = s.xWindow();
        ASSERT_NE(window, 0u);
        ASSERT_TRUE(WindowSession::xdo().waitUntilDrawn(window));
        liveTextCtrl& log = *s.frame().logPane;
        log.append("first line\r\nsecond line\r\n");
        int shownLength = 0;
        s.onUi([&] {
            WindowSession::display()->flush();
            shownLength = static_cast<int>(
                g_utf8_strlen(WindowSession::display()->shownText(log.handle).c_str(), -1));
        });
        ASSERT_GT(shownLength, 0);

        // The user clicks into the pane and selects all of it, up to its end.
        RECT pane;
        ASSERT_TRUE(GetWindowRect(log.handle, &pane));
        WindowSession::xdo().clickAt(pane.left + 20, pane.top + 10);
        WindowSession::xdo().pressKeyIn(window, "ctrl+a");
        std::pair<int, int> selection;
        auto shownSelection = [&] {
            s.onUi([&] {
                WindowSession::display()->flush();
                selection = WindowSession::display()->shownSelection(log.handle);
            });
            return selection;
        };
        const std::pair<int, int> all{0, shownLength};
        ASSERT_TRUE(waitUntil([&] { return shownSelection() == all; }, 5s))
            << selection.first << ".." << selection.second;

        // A job's line arrives: the selection must not take it in.
        std::thread([&] { log.append("third line\r\n"); }).join();
        std::string shown;
        s.onUi([&] {
            WindowSession::display()->flush();
            shown = WindowSession::display()->shownText(log.handle);
        });
        EXPECT_EQ(shown, gtkdisplay::toDisplayText(log.getText()));
        EXPECT_NE(shown.find("third line"), std::string::npos);
        EXPECT_EQ(shownSelection(), all);
    });
}

TEST_F(MainWindow, ButtonShownWhereTheLayerPlacesItRunsItsCallbackOnClick)
{
    session.run([&](WindowSession& s) {
        unsigned long window = s.xWindow();
        ASSERT_NE(window, 0u);
        ASSERT_TRUE(WindowSession::xdo().waitUntilDrawn(window));
        const std::string withoutButton = WindowSession::xdo().picture(window);
        liveButton* button = nullptr;
        s.onUi([&] {
            uiThread = std::this_thread::get_id();
            button = new liveButton(&s.frame(), 40, 30, 120, 32, "&Go");
            button->setCallback(countClick);
            WindowSession::display()->flush();
        });
        // Clicked only once GTK has drawn it.
        ASSERT_TRUE(WindowSession::xdo().waitUntilDrawn(window, withoutButton));
        // The layer's idea of where the button is on screen must be where GTK drew it.
        RECT onScreen;
        ASSERT_TRUE(GetWindowRect(button->handle, &onScreen));
        int x = (onScreen.left + onScreen.right) / 2;
        int y = (onScreen.top + onScreen.bottom) / 2;
        WindowSession::xdo().clickAt(x, y);
        EXPECT_TRUE(waitUntil([] { return buttonClicks.load() == 1; }, 5s));
        EXPECT_TRUE(clickOnCommandThread);
    });
}
