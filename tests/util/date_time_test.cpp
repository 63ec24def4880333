#include "util/date_time.h"

#include <cstdlib>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "support/environment.h"

namespace {

// Runs the test body in a fixed time zone and restores the one before.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            saved = old, hadZone = true;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ZoneGuard()
    {
        if (hadZone)
            ::setenv("TZ", saved.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::string saved;
    bool hadZone = false;
};

const DateTime mondayAfternoon = DateTime::fromLocal(2026, 12, 7, 14, 5, 9);

} // namespace

TEST(DateTimeTest, PatternTableForAFixedMoment)
{
    ASSERT_EQ(mondayAfternoon.dayOfYear, 340);
    ASSERT_EQ(mondayAfternoon.weekday, 1);
    const std::vector<std::pair<const char*, const char*>> table = {
        {"c", "12/07/2026 02:05:09 PM"},
        {"dd_mm_yyyy__hh_mm_ss", "07_12_2026__14_05_09"},
        {"hh:mm AM/PM", "02:05 PM"},
        {"AM/PM hh:mm", "PM 14:05"},
        {"dddd d mmmm yyyy", "Monday 7 December 2026"},
        {"ddd", "Mon"},
        {"w", "2"},
        {"ww", "50"},
        {"q", "4"},
        {"DD/MM/YYYY", "DD/MM/YYYY"},
        {"Date: dd", "Dte: 07"},
        // Longest match first, and runs longer than a token split into tokens.
        {"dddddd", "Monday07"},
        {"mmm", "Dec"},
        {"m/d/yy", "12/7/26"},
        {"yyyy-mm-dd", "2026-12-07"},
        // After an hour token, m is the minute for the rest of the pattern, never a name.
        {"h mmm mmmm", "14 055 0505"},
        {"mm h:m n nn s ss", "12 14:5 5 05 9 09"},
        {"hh ampm am/pm A/P a/p AMPM", "02 PM pm P p PM"},
        {"xyz", "x26"},
        {"", ""},
    };
    for (const auto& [pattern, expected] : table)
        EXPECT_EQ(mondayAfternoon.format(pattern), expected) << pattern;
}

TEST(DateTimeTest, TwelveHourClockAtMidnightNoonAndAfter)
{
    const std::vector<std::pair<int, const char*>> table = {
        {0, "12 AM"}, {11, "11 AM"}, {12, "12 PM"}, {13, "1 PM"}, {23, "11 PM"},
    };
    for (const auto& [hour, expected] : table) {
        const DateTime moment = DateTime::fromLocal(2026, 12, 7, hour, 0, 0);
        EXPECT_EQ(moment.format("h AM/PM"), expected) << hour;
        EXPECT_EQ(moment.format("h"), std::to_string(hour));
    }
    EXPECT_EQ(DateTime::fromLocal(2026, 12, 7, 0, 1, 2).format("c"), "12/07/2026 12:01:02 AM");
}

TEST(DateTimeTest, QuartersAreBlocksOf89Days)
{
    const std::vector<std::pair<std::pair<int, int>, const char*>> table = {
        {{1, 1}, "1"},  {{3, 30}, "1"}, {{3, 31}, "2"}, {{6, 27}, "2"},
        {{6, 28}, "3"}, {{9, 24}, "3"}, {{9, 25}, "4"}, {{12, 31}, "4"},
    };
    for (const auto& [date, expected] : table)
        EXPECT_EQ(DateTime::fromLocal(2026, date.first, date.second, 12, 0, 0).format("q"),
                  expected)
            << date.first << "/" << date.second;
}

TEST(DateTimeTest, WeekNumbersStartOnMondayWithTheWeekOfNewYear)
{
    const std::vector<std::pair<std::vector<int>, const char*>> table = {
        {{2026, 1, 1}, "1"}, // a Thursday
        {{2026, 1, 4}, "1"}, // Sunday, still week 1
        {{2026, 1, 5}, "2"}, // Monday
        {{2023, 1, 1}, "1"}, // a Sunday
        {{2023, 1, 2}, "2"}, {{2024, 12, 31}, "53"},
    };
    for (const auto& [date, expected] : table)
        EXPECT_EQ(DateTime::fromLocal(date[0], date[1], date[2], 10, 0, 0).format("ww"), expected)
            << date[0] << "-" << date[1] << "-" << date[2];
}

TEST(DateTimeTest, WeekNumberIgnoresDaylightSavingNearMidnight)
{
    // A summer moment just after midnight in a zone with daylight saving time.
    ZoneGuard zone("CET-1CEST,M3.5.0,M10.5.0/3");
    const DateTime summer = DateTime::fromLocal(2026, 7, 6, 0, 30, 0); // a Monday
    ASSERT_EQ(summer.daylightSaving, 1);
    EXPECT_EQ(summer.format("ww"), "28");
}

TEST(DateTimeTest, TimeValueIsSixtyFourBitAndCapturesLocalTime)
{
    ZoneGuard zone("UTC0");
    // 1 January 2040, after the 32-bit wrap in 2038.
    const DateTime later = DateTime::fromTime(2208988800LL);
    EXPECT_EQ(later.timeValue, 2208988800LL);
    EXPECT_EQ(later.format("yyyy-mm-dd hh:nn:ss dddd"), "2040-01-01 00:00:00 Sunday");

    const std::int64_t before = static_cast<std::int64_t>(std::time(nullptr));
    const DateTime now;
    const std::int64_t after = static_cast<std::int64_t>(std::time(nullptr));
    EXPECT_GE(now.timeValue, before);
    EXPECT_LE(now.timeValue, after);
    EXPECT_EQ(now.format("yyyy"), DateTime::fromTime(now.timeValue).format("yyyy"));
}

TEST(DateTimeTest, EmptyRecordFormatsWithoutReadingPastTheNameTables)
{
    DateTime empty(true);
    EXPECT_EQ(empty.timeValue, 0);
    empty.month = 12;
    empty.weekday = -1;
    EXPECT_EQ(empty.format("[mmmm][dddd][ddd]"), "[][][]");
}
