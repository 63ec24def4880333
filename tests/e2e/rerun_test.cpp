// A second run over files the first one finished skips them, each on one log line; a changed
// file, option or tool does the work again; an unusable record only costs the skip.
#include <cstdlib>

#include "program_fixture.h"
#include "support/fake_tools.h"
#include "support/temp_folder.h"
#include "util/live_file.h"

namespace {

class RerunTest : public ProgramTest {
protected:
    RerunTest() : tools(programFolder())
    {
        tools.installShrinkingSet(100);
        writeFile(settingsFile(), "{\"Copy\":false,\"Full\":false,\"Strip\":false}");
        setenv("XDG_CACHE_HOME", temp.file("cache").c_str(), 1);
        writeFileOfSize(temp.file("pics/a.png"), 4096);
        writeFileOfSize(temp.file("pics/b.png"), 8192);
    }

    ~RerunTest() override { setenv("XDG_CACHE_HOME", "/dev/null/no-cache-in-tests", 1); }

    int pngoutRuns()
    {
        int count = 0;
        for (const std::string& call : tools.calls())
            count += call.starts_with("pngout|");
        return count;
    }

    FakeTools tools;
};

} // namespace

TEST_F(RerunTest, FinishedFilesAreSkippedUntilTheFileTheOptionsOrAToolChange)
{
    ASSERT_EQ(run({"pics"}).exitStatus, 0);
    ASSERT_EQ(pngoutRuns(), 2);

    const ProgramRun again = run({"--json", "pics"});
    EXPECT_EQ(again.exitStatus, 0) << again.err;
    EXPECT_EQ(pngoutRuns(), 2) << "nothing is compressed twice";
    EXPECT_NE(again.err.find("Skipping a.png (3.902 KB): already compressed with these options "
                             "and tools\n"),
              std::string::npos)
        << again.err;
    EXPECT_NE(again.out.find("\"status\":\"skipped\""), std::string::npos) << again.out;
    EXPECT_NE(again.out.find("\"skipped\":2"), std::string::npos) << again.out;

    // A changed file is worked on again; the other one is still finished.
    writeFileOfSize(temp.file("pics/a.png"), 5000);
    run({"pics"});
    EXPECT_EQ(pngoutRuns(), 3);

    // Another option or another tool: everything again.
    writeFile(settingsFile(), "{\"Copy\":false,\"Full\":false,\"Strip\":true}");
    run({"pics"});
    EXPECT_EQ(pngoutRuns(), 5);
    tools.installShrinkingSet(50);
    run({"pics"});
    EXPECT_EQ(pngoutRuns(), 7);
}

TEST_F(RerunTest, AnUnusableRecordOnlyCostsTheSkip)
{
    writeFile(temp.file("cache/tarnwick/finished.sqlite"), "not a database");

    EXPECT_EQ(run({"pics"}).exitStatus, 0);
    EXPECT_EQ(run({"pics"}).exitStatus, 0);

    EXPECT_EQ(pngoutRuns(), 4);
    EXPECT_EQ(readFile(temp.file("cache/tarnwick/finished.sqlite")), "not a database");
    EXPECT_EQ(fileSize(temp.file("pics/a.png")), 4096 - 200);
}
