// A file that another process writes while a step runs, or that its owner made read-only, keeps
// what is in it: the step is undone and nothing counts as saved. Linux: shell-script tools.
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

#include "checked_step_fixture.h"
#include "engine/size_report.h"
#include "support/fake_image.h"
#include "support/work_copy.h"
#include "util/live_file.h"
#include "util/strings.h"

namespace fs = std::filesystem;

namespace {

// Keeps the last file result, as the --json report would see it.
class ResultSurfaces : public RecordingSurfaces {
public:
    void fileFinished(const FileResult& result) override { last = result; }
    FileResult last;
};

} // namespace

TEST_F(CheckedStepTest, FileWrittenByAnotherProcessDuringTheStepIsLeftToThatProcess)
{
    const std::string other = pics() + "/other name.png";
    const std::string quoted = "'" + path + "'";
    const struct {
        const char* name;
        // Shell code run by the tool after it shrank its copy.
        std::string meanwhile;
        bool hardLinked;
        std::string expected; // the file's content after the run
    } cases[] = {
        {"rewritten shorter", "printf 'someone else!' > " + quoted, false, "someone else!"},
        {"rewritten shorter, hard-linked", "printf 'someone else!' > " + quoted, true,
         "someone else!"},
        // Same size, other bytes, and the modification time put back: the inode's change time
        // and the content still tell.
        {"same size, date put back",
         "cp -p " + quoted + " " + quoted + ".kept && printf 'X' | dd of=" + quoted +
             " bs=1 seek=100 conv=notrunc 2>/dev/null && touch -r " + quoted + ".kept " + quoted +
             " && rm " + quoted + ".kept",
         false, ""},
        {"renamed over", "cp " + quoted + " " + quoted + ".new && mv " + quoted + ".new " + quoted,
         false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(pics());
        writeFileOfSize(path, 4096);
        if (c.hardLinked) {
            ASSERT_EQ(::link(path.c_str(), other.c_str()), 0);
        }
        std::string expected = c.expected;
        if (expected.empty()) {
            expected = readFile(path);
            if (std::string(c.name).starts_with("same size"))
                expected[100] = 'X';
        }
        tools.install("pngout", shrinkAction(1024) + " && " + c.meanwhile);
        state.totalSaved = 0;
        ResultSurfaces log;

        compressFile(context(log), path, pics(), StepMode{true, false});

        EXPECT_EQ(readFile(path), expected);
        const std::string newSize = sizeText(static_cast<std::int64_t>(expected.size()));
        EXPECT_EQ(log.log(),
                  logLines({"Compressing a.png (4.000 KB)",
                            "     Fast Compression...  New Size: " + newSize + " KB",
                            "     Step undone: the file changed during the step",
                            "     Compressed file is " +
                                numberToText(remainingPercent(
                                                 4096, static_cast<std::int64_t>(expected.size())),
                                             3) +
                                "% of the original"}));
        EXPECT_EQ(state.saved(), 0);
        EXPECT_EQ(log.status(1), "Saved: 0.000 KB");
        EXPECT_EQ(log.last.status, FileStatus::Failed);
        ASSERT_EQ(log.last.steps.size(), 1u);
        EXPECT_TRUE(log.last.steps[0].changedElsewhere);
        EXPECT_EQ(workFoldersIn(pics()), std::vector<std::string>{});
    }
}

TEST_F(CheckedStepTest, ReadOnlyFileIsLeftAsItIs)
{
    writeFileOfSize(path, 4096);
    const std::string original = readFile(path);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    tools.install("pngout", shrinkAction(1024));
    ResultSurfaces log;

    compressFile(context(log), path, pics(), StepMode{true, false});

    EXPECT_EQ(readFile(path), original);
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, 0444u);
    EXPECT_EQ(tools.calls(), std::vector<std::string>{});
    EXPECT_EQ(log.log(), logLines({"Compressing a.png (4.000 KB)",
                                   "     Fast Compression...  New Size: 4.000 KB",
                                   "     Step undone: the file is read-only",
                                   "     Compressed file is 100.000% of the original"}));
    EXPECT_EQ(state.saved(), 0);
}
