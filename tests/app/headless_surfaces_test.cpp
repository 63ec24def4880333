#include "app/headless_surfaces.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "support/temp_folder.h"

namespace {

std::string contentOf(std::FILE* file)
{
    std::fflush(file);
    std::rewind(file);
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, n);
    return text;
}

} // namespace

TEST(TerminalLineEndsTest, CarriageReturnLineFeedBecomesLineFeed)
{
    const struct {
        std::vector<std::string> pieces;
        std::string out;
    } cases[] = {
        {{"ab\r\n"}, "ab\n"}, {{"a", "b", "\r\n"}, "ab\n"}, {{"a\r", "\nb"}, "a\nb"},
        {{"a\rb"}, "a\rb"},   {{"\r\n\r\n"}, "\n\n"},       {{"x\n"}, "x\n"},
    };
    for (const auto& c : cases) {
        bool pending = false;
        std::string out;
        for (const std::string& piece : c.pieces)
            out += toTerminalLineEnds(piece, pending);
        EXPECT_EQ(out, c.out);
    }
}

TEST(HeadlessSurfacesTest, KeepsTheLogAndMirrorsEveryPiece)
{
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    {
        HeadlessSurfaces surfaces(out, nullptr);
        surfaces.append("a");
        surfaces.append("b");
        surfaces.append("\r\n");
        surfaces.setStatusText(1, "Saved: 1.000 KB");
        surfaces.setStatusText(1, "Saved: 2.000 KB");
        EXPECT_EQ(surfaces.logText(), "ab\r\n");
        EXPECT_EQ(surfaces.statusText(1), "Saved: 2.000 KB");
        EXPECT_EQ(surfaces.statusText(0), "");
    }
    EXPECT_EQ(contentOf(out), "ab\n");
    std::fclose(out);
}

TEST(HeadlessSurfacesTest, ALogNotKeptIsStillMirroredWhole)
{
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    {
        HeadlessSurfaces surfaces(out, nullptr);
        surfaces.keepLogText(false);
        for (int i = 0; i < 1000; ++i)
            surfaces.append("Compressing a.png\r\n");
        EXPECT_EQ(surfaces.logText(), "");
    }
    const std::string mirrored = contentOf(out);
    EXPECT_EQ(mirrored.size(), 1000u * 18u);
    EXPECT_TRUE(mirrored.starts_with("Compressing a.png\nCompressing a.png\n"));
    std::fclose(out);
}

TEST(HeadlessSurfacesTest, StatusLineIsDrawnOnlyBetweenLogLines)
{
    std::FILE* out = std::tmpfile();
    std::FILE* status = std::tmpfile();
    ASSERT_TRUE(out && status);
    {
        HeadlessSurfaces surfaces(out, status);
        surfaces.append("Compressing ");
        surfaces.setStatusText(0, "Compressing File: 1/2");
        EXPECT_EQ(contentOf(status), "");
        std::fseek(status, 0, SEEK_END);
        surfaces.append("a.png\r\n");
        surfaces.setStatusText(1, "Saved: 0.000 KB");
    }
    EXPECT_EQ(contentOf(status), "\r\033[KCompressing File: 1/2"
                                 "\r\033[KCompressing File: 1/2  Saved: 0.000 KB\n");
    EXPECT_EQ(contentOf(out), "Compressing a.png\n");
    std::fclose(out);
    std::fclose(status);
}

TEST(HeadlessSurfacesTest, WholeLinesFromManyThreadsStayWhole)
{
    HeadlessSurfaces surfaces(nullptr, nullptr);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&surfaces, t] {
            for (int i = 0; i < 200; ++i)
                surfaces.append(std::to_string(t) + "\r\n");
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(surfaces.logText().size(), 4u * 200u * 3u);
}

TEST(HeadlessSurfacesTest, ProgressLineMakesWayForLogLinesAndIsClearedAtTheEnd)
{
    std::FILE* out = std::tmpfile();
    std::FILE* status = std::tmpfile();
    ASSERT_TRUE(out && status);
    {
        HeadlessSurfaces surfaces(out, status);
        surfaces.showProgress(std::chrono::milliseconds(0));
        surfaces.filesFound(2);
        surfaces.allPathsTaken();
        surfaces.append("Compressing a.png");
        EXPECT_EQ(contentOf(out), "") << "half a line waits for its end";
        surfaces.append("\r\n");
        FileResult result;
        result.sizeBefore = 3000;
        result.sizeAfter = 1000;
        surfaces.fileFinished(result);
        surfaces.notice(out, "tarnwick: gone.png: no such file or folder");
        surfaces.append("     Pass 1/3...");
        surfaces.finishStatusLine();
        const FileProgress progress = surfaces.progress();
        EXPECT_EQ(progress.finished, 1u);
        EXPECT_EQ(progress.savedBytes, 2000);
    }
    // Status and log share the terminal: each is erased before the other writes.
    EXPECT_EQ(contentOf(status), "\r\033[K0/2 files, 0.000 KB saved"
                                 "\r\033[K1/2 files, 1.953 KB saved"
                                 "\r\033[K");
    EXPECT_EQ(contentOf(out), "Compressing a.png\ntarnwick: gone.png: no such file or folder\n"
                              "     Pass 1/3...");
    std::fclose(out);
    std::fclose(status);
}
