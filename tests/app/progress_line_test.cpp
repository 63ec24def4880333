// The progress line of a terminal run and what a stopped run says it left undone.
#include "app/progress_line.h"

#include <gtest/gtest.h>

TEST(ProgressLine, ShowsTheTotalRateAndTimeLeftOnlyOnceTheyAreKnown)
{
    const struct {
        FileProgress progress;
        double seconds;
        std::string text;
    } cases[] = {
        {{0, false, 0, 0, 0}, 0, "0 files, 0.000 KB saved"},
        // A list still being read: no total, so no time left.
        {{7, false, 1, 0, 2048}, 2, "1 file, 2.000 KB saved, 0.5 files/s"},
        {{40, true, 12, 0, 3584}, 0.5, "12/40 files, 3.500 KB saved"},
        {{40, true, 12, 0, 3584}, 4, "12/40 files, 3.500 KB saved, 3.0 files/s, 0:09 left"},
        {{1, true, 0, 0, 0}, 3, "0/1 file, 0.000 KB saved"},
        {{9000, true, 10, 0, -5}, 10, "10/9000 files, -0.005 KB saved, 1.0 files/s, 2:29:50 left"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(progressText(c.progress, c.seconds), c.text);
}

TEST(ProgressLine, StoppedRunCountsWhatIsLeftAndSaysWhatWasNeverRead)
{
    const struct {
        FileProgress progress;
        const char* rest;
        std::string text;
    } cases[] = {
        {{40, true, 3, 0, 0}, nullptr, "Stopped: 37 files left undone."},
        // The file the stop came in is not done.
        {{40, true, 4, 1, 0}, nullptr, "Stopped: 37 files left undone."},
        {{2, true, 1, 0, 0}, nullptr, "Stopped: 1 file left undone."},
        {{5, false, 5, 0, 0},
         "the rest of the list",
         "Stopped: 0 files left undone and the rest of the list."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(stoppedText(c.progress, c.rest), c.text);
}
