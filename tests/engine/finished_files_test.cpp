// Which files a job records as finished: every file whose steps all ran to their end, also where
// a check undid a result; never one whose tool was ended before it finished.
#include "engine/compress_file.h"

#include <set>

#include "engine_fixture.h"
#include "support/fake_image.h"
#include "util/live_file.h"

namespace {

class RememberingRecord : public FinishedRecord {
public:
    bool isFinished(const std::string& hash, const std::string&) override
    {
        return marked.count(hash) != 0;
    }
    void markFinished(const std::string& hash, const std::string&) override { marked.insert(hash); }
    std::set<std::string> marked;
};

using FinishedFilesTest = EngineTest;

} // namespace

TEST_F(FinishedFilesTest, EveryStepRanToItsEndUndoneOrNotButNeverAToolEndedEarly)
{
    state.options[Option::Full] = false;
    state.options[Option::Strip] = false;
    state.timeLimitBase = std::chrono::milliseconds(500);
    state.timeLimitPerMegabyte = std::chrono::milliseconds(0);
    struct Case {
        const char* name;
        std::string pngout;
        bool finished;
    };
    const Case cases[] = {
        {"kept.png", shrinkAction(100), true},
        // One pixel differs: the check undoes it, and would every time.
        {"undone.png", fakeImageCommand() + " --variant 4000 \"$FILE\"\n", true},
        {"larger.png", setSizeAction(5000), true},
        {"slow.png", "sleep 5\n" + shrinkAction(100), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tools.install("pngout", c.pngout);
        const std::string path = pics() + "/" + c.name;
        writeFileOfSize(path, 4096);
        RememberingRecord record;
        JobContext job = context(surfaces);
        job.record = &record;
        job.setup = "setup";
        compressFile(job, path, pics(), StepMode{true, false});
        EXPECT_EQ(record.marked.count(contentHash(path)), c.finished ? 1u : 0u);
    }
}
