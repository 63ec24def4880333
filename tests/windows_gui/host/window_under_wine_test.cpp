// The Windows programs under Wine on a private X server, driven with real key presses as a user
// would: a menu opened with Alt and a letter, an item chosen with the arrows and Enter, the window
// closed with Alt+F4. What they write next to themselves when closed shows the choice arrived.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <regex>

#include "gui/gui_support.h"
#include "gui/x_client.h"
#include "gui/xdotool.h"

using namespace guitest;
using namespace std::chrono_literals;

namespace {

// Every option at its default, as the program saves them.
const std::string defaultSettings =
    "{\"Full\":true,\"Strip\":true,\"Copy\":true,\"Apps\":false,\"Pngs\":true,"
    "\"Tifs\":true,\"Jpgs\":true,\"Gifs\":true,\"Pdfs\":true,\"HogSystem\":false,"
    "\"KeepDates\":false,\"Optimize\":false}";

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

class WindowUnderWine : public testing::Test {
protected:
    // One X server and one Wine prefix for all: a new prefix takes a while to set up, so it is
    // made once, before any window is waited for.
    static void SetUpTestSuite()
    {
        server = new XvfbServer;
        const std::string prefix = environment("WINEPREFIX");
        if (!prefix.empty() && !fileExists(prefix + "/system.reg"))
            runCommand({"wineboot", "-i"}, "");
    }
    static void TearDownTestSuite()
    {
        // Ends this prefix's server and whatever it still runs, before its X server goes.
        runCommand({"wineserver", "-k"}, "");
        delete server;
        server = nullptr;
    }

    void SetUp() override { ASSERT_TRUE(server->running()) << "Xvfb did not start"; }

    // Copies the program into the test's folder (it writes next to itself) and starts it.
    void start(const std::string& built, const std::string& name)
    {
        ASSERT_FALSE(built.empty()) << "no program given";
        program = folder.file(name);
        std::filesystem::copy_file(built, program);
        child = std::make_unique<ChildProgram>(TARNWICK_WINE, std::vector<std::string>{program},
                                               server->display(), folder.file("stderr.txt"));
    }

    // The window's X id once it is visible; Wine's first start in a prefix takes seconds.
    unsigned long windowNamed(const std::string& pattern)
    {
        unsigned long window = 0;
        waitUntil(
            [&] {
                window = xdo().waitForWindow(pattern);
                return window != 0 || child->finished();
            },
            120s);
        return window;
    }

    void screenshot(const std::string& name)
    {
        xdo().screenshot(name);
        std::cout << "screenshot: " << artifactsFolder() << "/" << name << std::endl;
    }

    // Opens the first menu, moves down one item, shows it in a screenshot, and chooses it.
    void chooseSecondItemOfFirstMenu(unsigned long window, const std::string& shotName)
    {
        EXPECT_TRUE(xdo().waitUntilDrawn(window));
        const std::string beforeMenu = xdo().picture(0);
        xdo().typeKeys(window, {"alt+o", "Down"});
        EXPECT_TRUE(xdo().waitUntilDrawn(0, beforeMenu));
        screenshot(shotName);
        xdo().typeKeys(window, {"Return"});
    }

    std::string stderrText() { return readFile(folder.file("stderr.txt")); }

    // The log pane's text as a user copies it: click into it, select it all, copy.
    std::string copiedLog(unsigned long window)
    {
        xdo().clickIn(window, 300, 300);
        xdo().typeKeys(window, {"ctrl+Home", "ctrl+shift+End", "ctrl+c"});
        XClient client(server->display());
        return client.clipboardText();
    }

    XDoTool xdo() const { return XDoTool(server->display()); }

    static XvfbServer* server;
    TempFolder folder;
    std::string program;
    std::unique_ptr<ChildProgram> child;
};

XvfbServer* WindowUnderWine::server = nullptr;

TEST_F(WindowUnderWine, ToolkitCheckItemChosenByKeyboardFlipsItsMarkAndRunsOnce)
{
    start(environment("TARNWICK_TOOLKIT_WINDOW"), "toolkit_window.exe");
    const unsigned long window = windowNamed("^Toolkit window$");
    ASSERT_NE(window, 0u) << stderrText();
    screenshot("windows-toolkit-window.png");
    chooseSecondItemOfFirstMenu(window, "windows-toolkit-menu.png");
    // The choice runs on the command thread; the close waits for it before the window goes.
    xdo().typeKeys(window, {"alt+F4"});
    EXPECT_EQ(child->wait(30s), 0) << stderrText();
    EXPECT_EQ(readFile(folder.file("toolkit-window.txt")), "checked=1 toggles=1\n");
}

TEST_F(WindowUnderWine, ProgramSavesAnOptionChosenByKeyboardWhenClosed)
{
    const std::string built = environment("TARNWICK_WINDOWS_PROGRAM");
    if (built.empty() || !fileExists(built))
        GTEST_SKIP() << "tarnwick.exe is not built";
    start(built, "tarnwick.exe");
    const unsigned long window = windowNamed("^Tarnwick 6\\.1$");
    ASSERT_NE(window, 0u) << stderrText();
    screenshot("windows-main-window.png");
    // The menu opens on its first item, Full Compression; one down is Strip MetaData.
    chooseSecondItemOfFirstMenu(window, "windows-main-window-options-menu.png");

    // About runs on the command thread; its box, owned by the window, holds further commands
    // until it is closed.
    xdo().typeKeys(window, {"alt+h", "a"});
    const unsigned long box = windowNamed("^About Tarnwick$");
    ASSERT_NE(box, 0u) << stderrText();
    EXPECT_TRUE(xdo().waitUntilDrawn(box));
    screenshot("windows-about-box.png");
    xdo().pressKeyIn(box, "Return");
    EXPECT_TRUE(waitUntil([&] { return !xdo().windowShown("^About Tarnwick$"); }, 10s));

    xdo().typeKeys(window, {"alt+F4"});
    EXPECT_EQ(child->wait(30s), 0) << stderrText();
    EXPECT_EQ(readFile(folder.file("Tarnwick.config")),
              std::regex_replace(defaultSettings, std::regex("\"Strip\":true"), "\"Strip\":false"));
}

TEST_F(WindowUnderWine, ProgramCompressesAFolderDroppedOnItFromTheDesktop)
{
    const std::string built = environment("TARNWICK_WINDOWS_PROGRAM");
    if (built.empty() || !fileExists(built))
        GTEST_SKIP() << "tarnwick.exe is not built";
    // No backup copies, and no tools beside the program: the job walks the folder and logs what
    // it finds, which shows that the drop and its path arrived.
    writeFile(folder.file("Tarnwick.config"), "{\"Copy\":false}");
    const std::string pictures = folder.file("My Pictures");
    writeFileOfSize(pictures + "/one.png", 4096);
    start(built, "tarnwick.exe");
    const unsigned long window = windowNamed("^Tarnwick 6\\.1$");
    ASSERT_NE(window, 0u) << stderrText();
    EXPECT_TRUE(xdo().waitUntilDrawn(window));

    XClient source(server->display());
    ASSERT_TRUE(source.ok());
    ASSERT_TRUE(source.dropUriList(window, 500, 400, fileUri(pictures) + "\r\n"))
        << source.lastError;
    std::string log;
    waitUntil(
        [&] {
            log = copiedLog(window);
            return log.find("Finished Compression at ") != std::string::npos;
        },
        60s, 500ms);
    EXPECT_NE(log.find("Starting Compression at "), std::string::npos) << log;
    EXPECT_NE(log.find("one.png"), std::string::npos) << log;
    screenshot("windows-main-window-after-drop.png");
    writeFile(artifactsFolder() + "/windows-log-after-drop.txt", log);

    xdo().typeKeys(window, {"alt+F4"});
    EXPECT_EQ(child->wait(30s), 0) << stderrText();
}

} // namespace
