// The desktop entry as a file manager uses it: it validates, and its Exec line, run with the
// chosen files, shows the window and compresses them.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <thread>
#include <unistd.h>

#include "gui/gui_support.h"
#include "gui/x_client.h"
#include "support/fake_image.h"
#include "support/temp_folder.h"

using namespace guitest;
using namespace std::chrono_literals;

namespace {

// Tools that keep the picture and drop 100 bytes of padding, so every step's check passes.
std::string shrinkingTool()
{
    return "#!/bin/sh\nfor last; do :; done\n'" + fakeImageProgram() + "' --shrink 100 \"$last\"\n";
}

std::string crushingTool()
{
    return "#!/bin/sh\n'" + fakeImageProgram() + "' --shrink 100 \"$3\" \"$4\"\n";
}

// The value of key in the desktop entry's text; empty when it has none.
std::string entryValue(const std::string& entry, const std::string& key)
{
    std::istringstream in(entry);
    for (std::string line; std::getline(in, line);)
        if (line.starts_with(key + "="))
            return line.substr(key.size() + 1);
    return std::string();
}

// The Exec value as a file manager expands it for files (no quoting in ours): %F becomes the
// files, one argument each.
std::vector<std::string> expandExec(const std::string& exec, const std::vector<std::string>& files)
{
    std::vector<std::string> argv;
    std::istringstream words(exec);
    for (std::string word; words >> word;) {
        if (word == "%F")
            argv.insert(argv.end(), files.begin(), files.end());
        else
            argv.push_back(word);
    }
    return argv;
}

int occurrences(const std::string& text, const std::string& piece)
{
    int count = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos;
         at = text.find(piece, at + piece.size()))
        ++count;
    return count;
}

class DesktopEntry : public testing::Test {
protected:
    // A copy of the program in its own folder with fake tools and settings beside it; the folder.
    std::string installProgramWithTools()
    {
        const std::string bin = folder.file("bin");
        std::filesystem::create_directories(bin);
        std::filesystem::copy_file(TARNWICK_PROGRAM, bin + "/tarnwick");
        writeProgram(bin + "/pngcrush", crushingTool());
        for (const char* tool : {"optipng", "pngout", "exiftool"})
            writeProgram(bin + "/" + tool, shrinkingTool());
        writeFile(bin + "/Tarnwick.config", "{\"Copy\":false}");
        return bin;
    }

    static void SetUpTestSuite() { server = new XvfbServer; }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }

    const std::string entry = readFile(TARNWICK_DESKTOP_FILE);
    static XvfbServer* server;
    TempFolder folder;
};

XvfbServer* DesktopEntry::server = nullptr;

} // namespace

TEST_F(DesktopEntry, ValidatesAndOffersEveryKindTarnwickCompresses)
{
    ASSERT_FALSE(entry.empty());
    const std::string validate =
        runCommand({"sh", "-c", "command -v desktop-file-validate"}, "").out;
    if (!validate.empty()) {
        const CommandResult checked =
            runCommand({"desktop-file-validate", TARNWICK_DESKTOP_FILE}, "");
        EXPECT_EQ(checked.exitStatus, 0);
    }
    EXPECT_EQ(entryValue(entry, "Exec"), "tarnwick --open %F");
    EXPECT_EQ(entryValue(entry, "Icon"), "tarnwick");
    const std::string types = ";" + entryValue(entry, "MimeType");
    for (const char* type :
         {"image/png", "image/tiff", "image/jpeg", "image/gif", "application/pdf",
          "application/x-msdownload", "application/vnd.microsoft.portable-executable",
          "application/x-ms-dos-executable", "inode/directory"})
        EXPECT_NE(types.find(std::string(";") + type + ";"), std::string::npos) << type;
}

TEST_F(DesktopEntry, ExecLineWithAFileAndAFolderShowsTheWindowAndCompressesBoth)
{
    ASSERT_TRUE(server->running()) << "Xvfb did not start";
    // The program where a file manager finds it on PATH, with the fake tools beside it.
    const std::string bin = installProgramWithTools();

    const std::string file = folder.file("docs/one file.png");
    const std::string pictures = folder.file("My Pictures");
    writeFileOfSize(file, 4096);
    writeFileOfSize(pictures + "/two.png", 8192);
    writeFileOfSize(pictures + "/deeper/three.png", 8192);

    std::vector<std::string> argv = expandExec(entryValue(entry, "Exec"), {file, pictures});
    ASSERT_EQ(argv.size(), 4u);
    ASSERT_EQ(argv[0], "tarnwick");
    const std::vector<std::string> arguments(argv.begin() + 1, argv.end());
    ChildProgram child(bin + "/tarnwick", arguments, server->display(), folder.file("stderr.txt"));

    const CommandResult found = runCommand({"timeout", "10", "xdotool", "search", "--sync",
                                            "--onlyvisible", "--name", "^Tarnwick 6\\.1$"},
                                           server->display());
    ASSERT_FALSE(found.out.empty()) << readFile(folder.file("stderr.txt"));
    const unsigned long window = std::stoul(found.out);

    EXPECT_TRUE(waitUntil(
        [&] {
            return fileSize(file) == 4096 - 400 && fileSize(pictures + "/two.png") == 8192 - 400 &&
                   fileSize(pictures + "/deeper/three.png") == 8192 - 400;
        },
        30s));

    // The log pane as the user can copy it: both jobs, one after the other.
    std::string log;
    waitUntil(
        [&] {
            runCommand({"xdotool", "mousemove", "--window", std::to_string(window), "300", "300",
                        "click", "1"},
                       server->display());
            runCommand({"xdotool", "windowfocus", "--sync", std::to_string(window)},
                       server->display());
            runCommand({"xdotool", "key", "ctrl+a", "ctrl+c"}, server->display());
            log = XClient(server->display()).clipboardText();
            return occurrences(log, "Finished Compression at ") == 2;
        },
        30s, 500ms);
    EXPECT_EQ(occurrences(log, "Starting Compression at "), 2) << log;
    EXPECT_LT(log.find("one file.png (4.000 KB)"), log.find("two.png (8.000 KB)")) << log;
    EXPECT_NE(log.find("three.png (8.000 KB)"), std::string::npos) << log;

    XClient closer(server->display());
    closer.requestClose(window);
    EXPECT_EQ(child.wait(10s), 0) << readFile(folder.file("stderr.txt"));
}

TEST_F(DesktopEntry, OpenTakesARelativePathFromTheCallersFolder)
{
    ASSERT_TRUE(server->running()) << "Xvfb did not start";
    const std::string bin = installProgramWithTools();
    // The same name next to the program must stay as it is.
    writeFileOfSize(folder.file("work/pic.png"), 4096);
    writeFileOfSize(bin + "/pic.png", 4096);

    ChildProgram child(
        "/bin/sh",
        {"-c", "cd \"$0\" && exec \"$1\" --open pic.png", folder.file("work"), bin + "/tarnwick"},
        server->display(), folder.file("stderr.txt"));

    EXPECT_TRUE(waitUntil([&] { return fileSize(folder.file("work/pic.png")) == 4096 - 400; }, 30s))
        << readFile(folder.file("stderr.txt"));
    EXPECT_EQ(fileSize(bin + "/pic.png"), 4096);

    const CommandResult found = runCommand({"timeout", "10", "xdotool", "search", "--sync",
                                            "--onlyvisible", "--name", "^Tarnwick 6\\.1$"},
                                           server->display());
    ASSERT_FALSE(found.out.empty());
    XClient(server->display()).requestClose(std::stoul(found.out));
    EXPECT_EQ(child.wait(10s), 0) << readFile(folder.file("stderr.txt"));
}
