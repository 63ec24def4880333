// Where the record of finished files lies on Windows: XDG_CACHE_HOME when absolute, else the
// user's local application data.
#include "engine/finished_record.h"

#include "finished_record_fixture.h"

TEST(FinishedRecordPathTest, FollowsTheCacheFolderRules)
{
    const struct {
        const char* cache;
        const char* local;
        const char* expected;
    } cases[] = {
        {"C:\\c", "C:\\l", "C:\\c\\tarnwick\\finished.sqlite"},
        {"C:/c", "C:\\l", "C:/c\\tarnwick\\finished.sqlite"},
        {"\\c", nullptr, "\\c\\tarnwick\\finished.sqlite"},
        {nullptr, "C:\\l", "C:\\l\\tarnwick\\finished.sqlite"},
        {"", "C:\\l", "C:\\l\\tarnwick\\finished.sqlite"},
        {"relative", "C:\\l", "C:\\l\\tarnwick\\finished.sqlite"},
        {"C:relative", "C:\\l", "C:\\l\\tarnwick\\finished.sqlite"},
        {nullptr, nullptr, ""},
        {nullptr, "relative", ""},
    };
    for (const auto& c : cases) {
        const EnvironmentValue cache("XDG_CACHE_HOME", c.cache);
        const EnvironmentValue local("LOCALAPPDATA", c.local);
        EXPECT_EQ(finishedRecordPath(), c.expected)
            << (c.cache ? c.cache : "(unset)") << ", " << (c.local ? c.local : "(unset)");
    }
}
