#include "engine/png_passes.h"

#include "engine/compress_file.h"
#include "engine_fixture.h"
#include "support/work_copy.h"
#include "util/live_file.h"

using PngPassesTest = EngineTest;

TEST_F(PngPassesTest, CrushResultReplacesTheFileOnlyWhenStrictlySmaller)
{
    const struct {
        long long crushedSize;
        long long expectedSize;
        const char* logLine;
    } cases[] = {
        {3000, 3000, "     Pass 1/3...  New Size: 2.930 KB\r\n"},
        {4096, 4096, "     Pass 1/3...  New Size: 4.000 KB\r\n"},
        {4095, 4095, "     Pass 1/3...  New Size: 3.999 KB\r\n"},
        // An empty output is a failed run: the image must survive it, and the log says so.
        {0, 4096,
         "     Pass 1/3...  New Size: 4.000 KB\r\n     Step undone: the result was empty\r\n"},
    };
    // A larger result, written by a tool that appends to its input.
    const std::string path = pics() + "/a.png";
    const std::string temporary = pics() + "/a_pngcrush.png";
    for (const auto& c : cases) {
        RecordingSurfaces log;
        writeFileOfSize(path, 4096);
        tools.install("pngcrush", crushToSizeAction(c.crushedSize));
        runStep(context(log), crushStep, path, StepMode{true, false}, CheckKind::Image);
        EXPECT_EQ(fileSize(path), c.expectedSize);
        EXPECT_EQ(fileSize(temporary), -1);
        EXPECT_EQ(log.log(), c.logLine);
        EXPECT_EQ(workFoldersIn(pics()), std::vector<std::string>{});
    }

    writeFileOfSize(path, 4096);
    const std::string original = readFile(path);
    tools.install("pngcrush", "cat \"$3\" \"$3\" > \"$4\"");
    runStep(context(surfaces), crushStep, path, StepMode{true, false}, CheckKind::Image);
    EXPECT_EQ(readFile(path), original);
    EXPECT_EQ(fileSize(temporary), -1);
    EXPECT_EQ(surfaces.log(), "     Pass 1/3...  New Size: 4.000 KB\r\n"
                              "     Step undone: the result was larger\r\n");
}

// The pass writes into its work folder, so a file with the old temporary's name is no obstacle.
TEST_F(PngPassesTest, FileAlreadyBearingTheTemporaryNameIsLeftAlone)
{
    const std::string path = pics() + "/a.png";
    const std::string temporary = pics() + "/a_pngcrush.png";
    writeFileOfSize(path, 4096);
    writeFile(temporary, "someone's own picture");
    tools.install("pngcrush", crushToSizeAction(3000));

    runStep(context(surfaces), crushStep, path, StepMode{true, false}, CheckKind::Image);

    EXPECT_EQ(readFile(temporary), "someone's own picture");
    EXPECT_EQ(fileSize(path), 3000);
    EXPECT_EQ(surfaces.log(), "     Pass 1/3...  New Size: 2.930 KB\r\n");
    EXPECT_EQ(withWorkCopies(tools.calls(), {path}),
              std::vector<std::string>{"pngcrush|-brute|-reduce|" + workCopy(path) + "|" +
                                       workCopy(path, "-out")});
}

TEST_F(PngPassesTest, TemporaryNameCutsTheLastFourCharacters)
{
    EXPECT_EQ(crushTemporaryPath("/x/a.png"), "/x/a_pngcrush.png");
    EXPECT_EQ(crushTemporaryPath("/X/B.PNG"), "/X/B_pngcrush.png");
    EXPECT_EQ(crushTemporaryPath(".png"), "_pngcrush.png");
}

TEST_F(PngPassesTest, FastCompressionRunsPngoutAlone)
{
    state.options[Option::Full] = false;
    const std::string path = pics() + "/a.png";
    writeFileOfSize(path, 2048);
    tools.installShrinkingSet(1024);

    compressPng(context(surfaces), path, StepMode{true, false});

    EXPECT_EQ(withWorkCopies(tools.calls(), {path}),
              std::vector<std::string>{"pngout|" + workCopy(path)});
    EXPECT_EQ(surfaces.log(), "     Fast Compression...  New Size: 1.000 KB\r\n");
    EXPECT_EQ(workFoldersIn(pics()), std::vector<std::string>{});
}

TEST_F(PngPassesTest, StopDuringPassOneSkipsTheLaterPasses)
{
    state.options[Option::Strip] = false;
    const std::string path = pics() + "/a.png";
    writeFileOfSize(path, 4096);
    tools.installShrinkingSet(1024);
    StoppingSurfaces stopping(state, "     Pass 1/3... ");

    compressFile(context(stopping), path, pics(), StepMode{true, false});

    EXPECT_EQ(tools.calls().size(), 1u);
    EXPECT_EQ(stopping.log(),
              logLines({"Compressing a.png (4.000 KB)", "     Pass 1/3...  New Size: 3.000 KB",
                        "     Compressed file is 75.000% of the original"}));
}

TEST_F(PngPassesTest, StopDuringStrippingEndsTheFileAfterItsStripLine)
{
    const std::string path = pics() + "/a.png";
    writeFileOfSize(path, 4096);
    tools.installShrinkingSet(1024);
    StoppingSurfaces stopping(state, "     Stripping MetaData... ");

    compressFile(context(stopping), path, pics(), StepMode{true, false});

    EXPECT_EQ(tools.calls().size(), 1u);
    EXPECT_EQ(stopping.log(), logLines({"Compressing a.png (4.000 KB)",
                                        "     Stripping MetaData...  New Size: 3.000 KB"}));
}

TEST_F(PngPassesTest, QuietModeLogsNothingButCountsEverySaving)
{
    const std::string path = pics() + "/a.png";
    writeFileOfSize(path, 8192);
    tools.installShrinkingSet(1024);

    compressFile(context(surfaces), path, "", StepMode{false, true});

    EXPECT_EQ(surfaces.log(), "");
    EXPECT_EQ(tools.calls().size(), 4u);
    EXPECT_EQ(surfaces.status(1), "Saved: 4.000 KB");
    EXPECT_EQ(surfaces.statusHistory(1),
              (std::vector<std::string>{"Saved: 1.000 KB", "Saved: 2.000 KB", "Saved: 3.000 KB",
                                        "Saved: 4.000 KB"}));
}

TEST_F(PngPassesTest, OtherKindsGetOnlyStrippingAndOnlyWithStrip)
{
    const std::string path = pics() + "/photo.jpg";
    writeFileOfSize(path, 2048);
    tools.installShrinkingSet(1024);

    state.options[Option::Strip] = false;
    compressFile(context(surfaces), path, pics(), StepMode{true, false});
    EXPECT_EQ(surfaces.log(), logLines({"Compressing photo.jpg (2.000 KB)",
                                        "     Compressed file is 100.000% of the original"}));
    EXPECT_TRUE(tools.calls().empty());

    state.options[Option::Strip] = true;
    compressFile(context(surfaces), path, pics(), StepMode{true, false});
    EXPECT_EQ(withWorkCopies(tools.calls(), {path}),
              std::vector<std::string>{"exiftool|" + stripCallArguments() + workCopy(path)});
    EXPECT_EQ(workFoldersIn(pics()), std::vector<std::string>{});
}

// A larger result never replaces the file, so a step can no longer lower the total.
TEST_F(PngPassesTest, EnlargingStepIsUndoneAndLeavesTheTotal)
{
    state.options[Option::Full] = false;
    state.options[Option::Strip] = false;
    const std::string path = pics() + "/a.png";
    writeFileOfSize(path, 1024);
    const std::string original = readFile(path);
    tools.install("pngout", setSizeAction(1124));

    compressFile(context(surfaces), path, pics(), StepMode{true, false});

    EXPECT_EQ(surfaces.log(), logLines({"Compressing a.png (1.000 KB)",
                                        "     Fast Compression...  New Size: 1.000 KB",
                                        "     Step undone: the result was larger",
                                        "     Compressed file is 100.000% of the original"}));
    EXPECT_EQ(readFile(path), original);
    EXPECT_EQ(surfaces.status(1), "Saved: 0.000 KB");
}
