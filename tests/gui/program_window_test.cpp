// The whole program as a user meets it: started in a folder of its own under a private X
// server, driven with real input events, files dropped on it by an XDND source, and closed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <regex>

#include "gui/gui_support.h"
#include "gui/x_client.h"
#include "gui/xdotool.h"
#include "support/fake_image.h"

using namespace guitest;
using namespace std::chrono_literals;

namespace {

const std::string defaultSettings =
    "{\"Full\":true,\"Strip\":true,\"Copy\":true,\"Apps\":false,\"Pngs\":true,"
    "\"Tifs\":true,\"Jpgs\":true,\"Gifs\":true,\"Pdfs\":true,\"HogSystem\":false,"
    "\"KeepDates\":false,\"Optimize\":false}";

// A tool that makes the last file it is given 100 bytes smaller, still the same picture (the
// program keeps only such results); pngcrush writes its output.
const std::string shrinkingTool =
    "#!/bin/sh\nfor last; do :; done\n" + fakeImageCommand() + " --shrink 100 \"$last\"\n";
const std::string crushingTool =
    "#!/bin/sh\n" + fakeImageCommand() + " --shrink 100 \"$3\" \"$4\"\n";

class ProgramWindow : public testing::Test {
protected:
    static void SetUpTestSuite() { server = new XvfbServer; }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(server->running()) << "Xvfb did not start";
        program = folder.file("tarnwick");
        std::filesystem::copy_file(TARNWICK_PROGRAM, program);
    }

    void installFakeTools(const std::string& pngoutAction = shrinkingTool)
    {
        writeProgram(folder.file("pngcrush"), crushingTool);
        writeProgram(folder.file("optipng"), shrinkingTool);
        writeProgram(folder.file("pngout"), pngoutAction);
        writeProgram(folder.file("exiftool"), shrinkingTool);
    }

    void start(const std::vector<std::string>& arguments = {})
    {
        child = std::make_unique<ChildProgram>(program, arguments, server->display(),
                                               folder.file("stderr.txt"));
    }

    // The main window's X id, once it is visible; 0 if it does not appear in time.
    unsigned long mainWindow() { return xdo().waitForWindow(); }

    XDoTool xdo() const { return XDoTool(server->display()); }

    // The log pane's text as the user can copy it: click into it, select all, copy.
    std::string copiedLog(unsigned long window)
    {
        xdo().clickIn(window, 300, 300);
        xdo().typeKeys(window, {"ctrl+a", "ctrl+c"});
        XClient client(server->display());
        return client.clipboardText();
    }

    static XvfbServer* server;
    TempFolder folder;
    std::string program;
    std::unique_ptr<ChildProgram> child;
};

XvfbServer* ProgramWindow::server = nullptr;

struct Geometry {
    int x = -1, y = -1, width = -1, height = -1;
};

Geometry geometryOf(unsigned long window, const std::string& display)
{
    std::string info = runCommand({"xwininfo", "-id", std::to_string(window)}, display).out;
    Geometry g;
    std::smatch m;
    if (std::regex_search(info, m, std::regex(R"(Absolute upper-left X:\s+(-?\d+))")))
        g.x = std::stoi(m[1]);
    if (std::regex_search(info, m, std::regex(R"(Absolute upper-left Y:\s+(-?\d+))")))
        g.y = std::stoi(m[1]);
    if (std::regex_search(info, m, std::regex(R"(Width:\s+(\d+))")))
        g.width = std::stoi(m[1]);
    if (std::regex_search(info, m, std::regex(R"(Height:\s+(\d+))")))
        g.height = std::stoi(m[1]);
    return g;
}

} // namespace

TEST_F(ProgramWindow, ShowsTitledWindowAt200And100Sized600AndClosesThroughCloseBox)
{
    start();
    unsigned long window = mainWindow();
    ASSERT_NE(window, 0u) << readFile(folder.file("stderr.txt"));
    Geometry g = geometryOf(window, server->display());
    EXPECT_EQ(g.x, 200);
    EXPECT_EQ(g.y, 100);
    EXPECT_EQ(g.width, 600);
    EXPECT_EQ(g.height, 600);
    EXPECT_TRUE(xdo().waitUntilDrawn(window));
    xdo().screenshot("main-window.png");
    const std::string beforeMenu = xdo().picture(0);
    xdo().typeKeys(window, {"alt+o"});
    EXPECT_TRUE(xdo().waitUntilDrawn(0, beforeMenu));
    xdo().screenshot("main-window-options-menu.png");
    xdo().typeKeys(window, {"Escape", "Escape"});

    XClient client(server->display());
    client.requestClose(window);
    EXPECT_EQ(child->wait(10s), 0) << readFile(folder.file("stderr.txt"));
    // The first interactive run writes the defaults in compact form.
    EXPECT_EQ(readFile(folder.file("Tarnwick.config")), defaultSettings);
}

TEST_F(ProgramWindow, BlankArgumentsStillShowTheWindow)
{
    start({" ", ""});
    unsigned long window = mainWindow();
    ASSERT_NE(window, 0u) << readFile(folder.file("stderr.txt"));
    xdo().typeKeys(window, {"alt+o", "x"});
    EXPECT_EQ(child->wait(10s), 0);
}

TEST_F(ProgramWindow, MenuChoicesByKeyboardAreSavedWhenLeavingThroughExit)
{
    struct Case {
        std::string startSettings; // empty: no settings file
        std::vector<std::string> keys;
        std::string saved;
    };
    const std::vector<Case> cases{
        {"",
         {"alt+o", "f"},
         std::regex_replace(defaultSettings, std::regex("\"Full\":true"), "\"Full\":false")},
        // Twice: the option and its mark are back where they were.
        {"", {"alt+o", "f", "alt+o", "f"}, defaultSettings},
        {"{\"HogSystem\":true, /* formatted */ \n\t\"Strip\":false}",
         {"alt+o", "c", "alt+o", "m"},
         defaultSettings},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(folder.file("Tarnwick.config"));
        if (!c.startSettings.empty())
            writeFile(folder.file("Tarnwick.config"), c.startSettings);
        start();
        unsigned long window = mainWindow();
        ASSERT_NE(window, 0u) << readFile(folder.file("stderr.txt"));
        std::vector<std::string> sequence = c.keys;
        sequence.insert(sequence.end(), {"alt+o", "x"});
        xdo().typeKeys(window, sequence);
        EXPECT_EQ(child->wait(10s), 0) << readFile(folder.file("stderr.txt"));
        EXPECT_EQ(readFile(folder.file("Tarnwick.config")), c.saved);
    }
}

TEST_F(ProgramWindow, WithoutDisplayTheWindowRefusesButHeadlessRunsWork)
{
    ChildProgram noDisplay(program, {}, "", folder.file("stderr.txt"));
    EXPECT_EQ(noDisplay.wait(10s), 1);
    EXPECT_NE(readFile(folder.file("stderr.txt")).find("display"), std::string::npos);
    EXPECT_FALSE(fileExists(folder.file("Tarnwick.config")));

    // A headless run needs no display at all, and leaves no settings file behind.
    installFakeTools();
    writeFileOfSize(folder.file("pictures/a.png"), 4096);
    ChildProgram headless(program, {folder.file("pictures")}, "",
                          folder.file("headless-stderr.txt"));
    EXPECT_EQ(headless.wait(20s), 0) << readFile(folder.file("headless-stderr.txt"));
    EXPECT_EQ(fileSize(folder.file("pictures/a.png")), 4096 - 400);
    EXPECT_FALSE(fileExists(folder.file("Tarnwick.config")));
}

TEST_F(ProgramWindow, FolderDroppedFromFileManagerIsCompressedAndItsLogCanBeCopied)
{
    installFakeTools();
    // A space and a non-ASCII letter: the URI is percent-encoded and must be decoded.
    std::string pictures = folder.file("My Pictures \xC3\xA9t\xC3\xA9");
    writeFileOfSize(pictures + "/one.png", 4096);
    writeFileOfSize(pictures + "/deeper/two.png", 8192);
    writeFile(folder.file("Tarnwick.config"), "{\"Copy\":false}");
    start();
    unsigned long window = mainWindow();
    ASSERT_NE(window, 0u) << readFile(folder.file("stderr.txt"));

    XClient source(server->display());
    ASSERT_TRUE(source.ok());
    ASSERT_TRUE(source.dropUriList(window, 500, 400, fileUri(pictures) + "\r\n"))
        << source.lastError;

    EXPECT_TRUE(waitUntil(
        [&] {
            return fileSize(pictures + "/one.png") == 4096 - 400 &&
                   fileSize(pictures + "/deeper/two.png") == 8192 - 400;
        },
        20s));
    std::string log;
    waitUntil(
        [&] {
            log = copiedLog(window);
            return log.find("Finished Compression at ") != std::string::npos;
        },
        20s, 500ms);
    EXPECT_NE(log.find("Starting Compression at "), std::string::npos) << log;
    EXPECT_NE(log.find("one.png"), std::string::npos) << log;
    EXPECT_NE(log.find("two.png"), std::string::npos) << log;
    xdo().screenshot("main-window-after-drop.png");

    XClient closer(server->display());
    closer.requestClose(window);
    EXPECT_EQ(child->wait(10s), 0);
}

TEST_F(ProgramWindow, ClosingDuringADroppedJobEndsTheProcessOnlyAfterTheJob)
{
    // pngout announces that it runs, then takes its time: the sleep is the slow job under test.
    installFakeTools("#!/bin/sh\ntouch \"$0.started\"\nsleep 2\nfor last; do :; done\n" +
                     fakeImageCommand() + " --shrink 100 \"$last\"\n");
    writeFile(folder.file("Tarnwick.config"), "{\"Copy\":false}");
    std::string picture = folder.file("slow.png");
    writeFileOfSize(picture, 4096);
    start();
    unsigned long window = mainWindow();
    ASSERT_NE(window, 0u) << readFile(folder.file("stderr.txt"));

    XClient source(server->display());
    ASSERT_TRUE(source.dropUriList(window, 500, 400, fileUri(picture) + "\r\n"))
        << source.lastError;
    ASSERT_TRUE(waitUntil([&] { return fileExists(folder.file("pngout.started")); }, 20s));
    source.requestClose(window);

    // The window goes at once, the process only once the job has finished.
    EXPECT_TRUE(waitUntil([&] { return !xdo().windowShown(); }, 5s, 50ms));
    EXPECT_FALSE(child->finished());
    EXPECT_EQ(child->wait(20s), 0) << readFile(folder.file("stderr.txt"));
    EXPECT_EQ(fileSize(picture), 4096 - 400);
    EXPECT_TRUE(fileExists(folder.file("Tarnwick.config")));
}

TEST_F(ProgramWindow, ClosingDuringAFolderJobFinishesTheRunningFileAndStartsNoOther)
{
    // pngout notes each file it is given, then takes its time on it.
    installFakeTools("#!/bin/sh\nfor last; do :; done\necho \"$last\" >> \"$0.calls\"\n"
                     "sleep 2\n" +
                     fakeImageCommand() + " --shrink 100 \"$last\"\n");
    writeFile(folder.file("Tarnwick.config"), "{\"Copy\":false}");
    const std::string pictures = folder.file("many");
    for (const char* name : {"a.png", "b.png", "c.png"})
        writeFileOfSize(pictures + "/" + name, 4096);
    start();
    unsigned long window = mainWindow();
    ASSERT_NE(window, 0u) << readFile(folder.file("stderr.txt"));

    XClient source(server->display());
    ASSERT_TRUE(source.dropUriList(window, 500, 400, fileUri(pictures) + "\r\n"))
        << source.lastError;
    ASSERT_TRUE(waitUntil([&] { return fileExists(folder.file("pngout.calls")); }, 20s));
    source.requestClose(window);

    // A job of a thousand files must not keep a closed program alive until it is done.
    EXPECT_EQ(child->wait(10s), 0) << readFile(folder.file("stderr.txt"));
    const std::string calls = readFile(folder.file("pngout.calls"));
    EXPECT_EQ(std::count(calls.begin(), calls.end(), '\n'), 1) << calls;
    int finished = 0;
    int untouched = 0;
    for (const char* name : {"a.png", "b.png", "c.png"}) {
        const long long size = fileSize(pictures + "/" + name);
        finished += size == 4096 - 400 ? 1 : 0;
        untouched += size == 4096 ? 1 : 0;
    }
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(untouched, 2);
}

TEST_F(ProgramWindow, LeavingWithDropsQueuedForgetsThemAndExitEndsTheRunningOne)
{
    // pngout notes each file it is given, then takes its time on it.
    installFakeTools("#!/bin/sh\nfor last; do :; done\necho \"$last\" >> \"$0.calls\"\n"
                     "sleep 3\n" +
                     fakeImageCommand() + " --shrink 100 \"$last\"\n");
    writeFile(folder.file("Tarnwick.config"), "{\"Copy\":false,\"Strip\":false,\"Full\":false}");
    struct Case {
        const char* how;
        int firstSize; // the running job's file: Exit undoes its step, the close box lets it end
    };
    for (const Case& c : {Case{"Exit", 4096}, Case{"close box", 4096 - 100}}) {
        SCOPED_TRACE(c.how);
        std::vector<std::string> folders;
        for (const char* name : {"A", "B", "C"}) {
            folders.push_back(folder.file(std::string(c.how) + "/" + name));
            writeFileOfSize(folders.back() + "/a.png", 4096);
        }
        std::filesystem::remove(folder.file("pngout.calls"));
        start({"--open", folders[0], folders[1], folders[2]});
        unsigned long window = mainWindow();
        ASSERT_NE(window, 0u) << readFile(folder.file("stderr.txt"));
        ASSERT_TRUE(waitUntil([&] { return fileExists(folder.file("pngout.calls")); }, 20s));

        if (std::string(c.how) == "Exit")
            xdo().typeKeys(window, {"alt+o", "x"});
        else
            XClient(server->display()).requestClose(window);

        EXPECT_EQ(child->wait(20s), 0) << readFile(folder.file("stderr.txt"));
        // The tool works on a copy in a work folder beside the file.
        const std::string calls = readFile(folder.file("pngout.calls"));
        EXPECT_TRUE(calls.starts_with(folders[0] + "/") &&
                    std::count(calls.begin(), calls.end(), '\n') == 1)
            << "only the first folder was started: " << calls;
        EXPECT_EQ(fileSize(folders[0] + "/a.png"), c.firstSize);
        EXPECT_EQ(fileSize(folders[1] + "/a.png"), 4096);
        EXPECT_EQ(fileSize(folders[2] + "/a.png"), 4096);
    }
}
