// --tools: where each optimizer is found and the first line of its version answer.
#include "app/tool_versions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "support/fake_tools.h"
#include "support/temp_folder.h"

using namespace std::chrono_literals;

namespace {

std::string script(const TempFolder& temp, const std::string& name, const std::string& body)
{
    const std::string path = temp.file(name);
    writeFile(path, "#!/bin/sh\n" + body);
    chmod(path.c_str(), 0755);
    return path;
}

} // namespace

TEST(FirstOutputLine, TakesTheFirstNonBlankLineFromEitherStream)
{
    TempFolder temp;
    EXPECT_EQ(
        firstOutputLine(script(temp, "a", "echo\necho '  tool 1.2  '\necho second\n"), {}, 2000ms),
        "tool 1.2");
    EXPECT_EQ(firstOutputLine(script(temp, "b", "echo \"v $1\" >&2\n"), {"-ver"}, 2000ms),
              "v -ver");
    EXPECT_EQ(firstOutputLine(script(temp, "c", "printf 'no line end'\n"), {}, 2000ms),
              "no line end");
    EXPECT_EQ(firstOutputLine(script(temp, "d", "exit 3\n"), {}, 2000ms), "");
    EXPECT_EQ(firstOutputLine(temp.file("missing"), {}, 2000ms), "");
}

TEST(FirstOutputLine, DoesNotWaitForAToolThatHangs)
{
    TempFolder temp;
    const std::string talker = script(temp, "talker", "echo 'tool 2.0'\nexec sleep 30\n");
    const std::string silent = script(temp, "silent", "exec sleep 30\n");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(firstOutputLine(talker, {}, 5000ms), "tool 2.0");
    EXPECT_EQ(firstOutputLine(silent, {}, 300ms), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
}

TEST(FindTools, LooksInTheCurrentFolderFirstThenPathAndNamesTheMissing)
{
    TempFolder temp;
    FakeTools onPath(temp.file("bin"), false);
    onPath.install("optipng", "echo 'OptiPNG version 9.9'");
    onPath.install("exiftool", "echo 'shadowed'");
    std::filesystem::create_directories(temp.file("here"));
    script(temp, "here/exiftool", "echo 12.34\n");
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(temp.file("here"));
    const std::vector<ToolReport> tools = findTools(2000ms);
    std::filesystem::current_path(saved);

    // In the order a file's steps run them: the PNG chain's, the optimizers of the other kinds,
    // then the packer.
    ASSERT_EQ(tools.size(), 8u);
    EXPECT_EQ(tools[0].shown, "exiftool");
    EXPECT_EQ(tools[0].path, temp.file("here/exiftool"));
    EXPECT_EQ(tools[0].version, "12.34");
    EXPECT_EQ(tools[1].shown, "pngcrush");
    EXPECT_EQ(tools[1].path, "");
    EXPECT_EQ(tools[2].shown, "OptiPNG");
    EXPECT_EQ(tools[2].path, temp.file("bin/optipng"));
    EXPECT_EQ(tools[2].version, "OptiPNG version 9.9");
    EXPECT_EQ(tools[3].shown, "pngout");
    EXPECT_EQ(tools[4].shown, "jpegtran");
    EXPECT_EQ(tools[5].shown, "qpdf");
    EXPECT_EQ(tools[6].shown, "gifsicle");
    EXPECT_EQ(tools[7].shown, "upx");
    EXPECT_EQ(tools[7].path, "");
}

TEST(FindTools, AMissingPngoutNamesWhatStandsInForIt)
{
    TempFolder temp;
    FakeTools onPath(temp.file("bin"), false);
    onPath.install("zopflipng", "echo 'ZopfliPNG, an optimizer.'");

    const std::vector<ToolReport> tools = findTools(2000ms);

    ASSERT_EQ(tools.size(), 8u);
    EXPECT_EQ(tools[3].shown, "pngout");
    EXPECT_EQ(tools[3].path, "");
    EXPECT_EQ(tools[3].standIn, "zopflipng");
    EXPECT_EQ(tools[3].standInPath, temp.file("bin/zopflipng"));
    EXPECT_EQ(tools[3].standInVersion, "ZopfliPNG, an optimizer.");
    EXPECT_EQ(tools[7].standIn, "") << "upx has no stand-in";
    const std::string text = toolsText(tools);
    EXPECT_NE(text.find("\npngout    missing; zopflipng stands in: " + temp.file("bin/zopflipng") +
                        "  ZopfliPNG, an optimizer.\n"),
              std::string::npos)
        << text;

    // A pngout that can be found leaves nothing to stand in for.
    onPath.install("pngout", "echo 'pngout usage'");
    EXPECT_EQ(findTools(2000ms)[3].standIn, "");
}
