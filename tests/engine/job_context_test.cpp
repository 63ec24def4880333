// Jobs read their options, running flag and counters through a JobContext and start tools
// through a ToolRunner, so several can run in one process with state of their own.
#include "engine/compression_job.h"

#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "engine/file_collection.h"
#include "engine/file_kinds.h"
#include "engine/tool_check.h"
#include "support/fixed_clock.h"
#include "support/recording_surfaces.h"
#include "support/temp_folder.h"
#include "util/live_file.h"
#include "util/strings.h"

namespace {

// Stands in for the tools: every in-place step cuts `shrink` bytes off its file, the new-file
// step writes its output `shrink` bytes smaller than its input.
class ShrinkingRunner : public ToolRunner {
public:
    explicit ShrinkingRunner(std::int64_t shrink) : shrink(shrink) {}

    RunOutcome run(const ToolRun& tool) override
    {
        const std::string& command = tool.command;
        std::vector<std::string> paths = quotedArguments(command);
        {
            std::lock_guard guard(lock);
            commands.push_back(command);
        }
        if (beforeEachRun)
            beforeEachRun(command);
        if (paths.empty())
            return {RunEnd::Finished, 1};
        // The file is the last argument; pngcrush reads the one before and writes the last.
        const bool newFile = command.starts_with("pngcrush") && paths.size() >= 2;
        const std::string& input = newFile ? paths[paths.size() - 2] : paths.back();
        const std::string content = readFile(input);
        const std::size_t kept =
            content.size() > static_cast<std::size_t>(shrink) ? content.size() - shrink : 0;
        writeFile(paths.back(), content.substr(0, kept));
        return {};
    }

    bool canFind(const std::string& program) override { return program != missing; }

    std::vector<std::string> ran() const
    {
        std::lock_guard guard(lock);
        return commands;
    }

    std::function<void(const std::string&)> beforeEachRun;
    std::string missing;

private:
    static std::vector<std::string> quotedArguments(const std::string& command)
    {
        std::vector<std::string> arguments;
        std::size_t at = 0;
        while ((at = command.find('"', at)) != std::string::npos) {
            const std::size_t end = command.find('"', at + 1);
            arguments.push_back(command.substr(at + 1, end - at - 1));
            at = end + 1;
        }
        return arguments;
    }

    std::int64_t shrink;
    mutable std::mutex lock;
    std::vector<std::string> commands;
};

// Keeps every smaller result: these tests are about whose state a job uses, not about checks.
class TrustingChecker : public ResultChecker {
public:
    Verdict check(CheckKind, const std::string&, const std::string&) override { return {true, ""}; }
};

struct OwnJob {
    explicit OwnJob(std::int64_t shrink) : runner(shrink) { state.options[Option::Copy] = false; }

    JobContext context() { return JobContext{surfaces, state, runner, checker}; }
    void run(const std::string& path)
    {
        runCompressionJob(context(), JobRequest{{path}, state.options.snapshot()});
    }

    EngineState state;
    RecordingSurfaces surfaces;
    ShrinkingRunner runner;
    TrustingChecker checker;
};

const char* const startStamp = "Starting Compression at 12/07/2026 02:05:09 PM";
const char* const finishStamp = "Finished Compression at 12/07/2026 02:05:31 PM";

} // namespace

TEST(JobContext, TwoJobsSideBySideKeepTheirOwnOptionsLogsAndTotals)
{
    // Enough stamps for both jobs, whichever asks first.
    FixedClock clock(
        {december7(14, 5, 9), december7(14, 5, 9), december7(14, 5, 31), december7(14, 5, 31)});
    TempFolder temp;
    OwnJob full(100);
    OwnJob fast(10);
    fast.state.options[Option::Full] = false;
    fast.state.options[Option::Strip] = false;
    for (const char* name : {"a.png", "b.png", "c.png"}) {
        writeFileOfSize(temp.file(std::string("full/") + name), 4096);
        writeFileOfSize(temp.file(std::string("fast/") + name), 4096);
    }
    std::thread first([&] { full.run(temp.file("full")); });
    std::thread second([&] { fast.run(temp.file("fast")); });
    first.join();
    second.join();

    // Strip and three passes on each of three files against one fast pass each.
    EXPECT_EQ(full.runner.ran().size(), 12u);
    EXPECT_EQ(fast.runner.ran().size(), 3u);
    EXPECT_EQ(full.state.totalSaved, 3 * 4 * 100);
    EXPECT_EQ(fast.state.totalSaved, 3 * 10);
    EXPECT_EQ(full.surfaces.status(1), "Saved: 1.172 KB");
    EXPECT_EQ(fast.surfaces.status(1), "Saved: 0.029 KB");
    for (const char* name : {"a.png", "b.png", "c.png"}) {
        EXPECT_EQ(fileSize(temp.file(std::string("full/") + name)), 4096 - 400);
        EXPECT_EQ(fileSize(temp.file(std::string("fast/") + name)), 4096 - 10);
    }
    const std::string fastLog = fast.surfaces.log();
    EXPECT_EQ(fastLog.find("Pass"), std::string::npos) << fastLog;
    EXPECT_NE(full.surfaces.log().find("     Pass 3/3...  New Size: 3.609 KB\r\n"),
              std::string::npos);
    EXPECT_FALSE(full.state.running);
    EXPECT_FALSE(fast.state.running);
}

TEST(JobContext, AnOptionChangedDuringAJobCountsFromItsNextRead)
{
    TempFolder temp;
    const std::string path = temp.file("a.png");

    struct Case {
        const char* changeDuring; // the tool during whose run Full is switched off
        std::vector<std::string> stepLines;
    };
    const Case cases[] = {
        // Full is read once when the passes start: off during stripping means the fast pass.
        {"exiftool",
         {"     Stripping MetaData...  New Size: 3.902 KB",
          "     Fast Compression...  New Size: 3.805 KB"}},
        // Off during pass 1: pass 2 still runs, and the last pass is the fast one.
        {"pngcrush.exe",
         {"     Stripping MetaData...  New Size: 3.902 KB", "     Pass 1/3...  New Size: 3.805 KB",
          "     Pass 2/3...  New Size: 3.707 KB", "     Fast Compression...  New Size: 3.609 KB"}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.changeDuring);
        FixedClock stamps({december7(14, 5, 9), december7(14, 5, 31)});
        OwnJob job(100);
        writeFileOfSize(path, 4096);
        job.runner.beforeEachRun = [&](const std::string& command) {
            if (command.starts_with(std::string(test.changeDuring) + " "))
                job.state.options[Option::Full] = false;
        };

        job.run(path);

        std::vector<std::string> lines = {startStamp, "Compressing a.png (4.000 KB)"};
        lines.insert(lines.end(), test.stepLines.begin(), test.stepLines.end());
        const double percent = fileSize(path) * 100.0 / 4096;
        lines.push_back("     Compressed file is " + numberToText(percent, 3) +
                        "% of the original");
        lines.insert(lines.end(), {finishStamp, ""});
        EXPECT_EQ(job.surfaces.log(), logLines(lines));
    }
}

TEST(JobContext, MissingToolsAreAskedOfTheJobsRunner)
{
    FixedClock clock({december7(14, 5, 9), december7(14, 5, 31)});
    TempFolder temp;
    OwnJob job(1);
    job.runner.missing = "OptiPNG";
    writeFileOfSize(temp.file("a.png"), 10);

    job.run(temp.file("a.png"));

    EXPECT_NE(job.surfaces.log().find(std::string(startStamp) +
                                      "\r\nTool not found: OptiPNG (its step leaves files "
                                      "unchanged)\r\nCompressing a.png"),
              std::string::npos)
        << job.surfaces.log();
}

// The kinds' table decides the walk, the single-file test and the tools a job names.
TEST(FileKinds, OptionsChooseSuffixesAndToolsFromOneTable)
{
    struct Case {
        std::vector<Option> off;
        std::vector<std::string> suffixes;
        std::vector<std::string> tools;
    };
    const Case cases[] = {
        {{},
         {".png", ".tif", ".tiff", ".jpeg", ".jpg", ".pdf", ".gif"},
         {"pngcrush", "OptiPNG", "pngout", "exiftool"}},
        {{Option::Strip}, {".png"}, {"pngcrush", "OptiPNG", "pngout"}},
        {{Option::Full, Option::Pngs},
         {".tif", ".tiff", ".jpeg", ".jpg", ".pdf", ".gif"},
         {"exiftool"}},
        {{Option::Pngs, Option::Tifs, Option::Jpgs, Option::Gifs, Option::Pdfs}, {}, {}},
    };
    for (const Case& test : cases) {
        OptionValues options;
        for (Option off : test.off)
            options[off] = false;
        EXPECT_EQ(enabledSuffixes(options), test.suffixes);
        std::vector<std::string> tools;
        for (const Tool* tool : toolsForFolder(options))
            tools.push_back(tool->shown);
        EXPECT_EQ(tools, test.tools);
    }

    OptionValues withApps;
    withApps[Option::Apps] = true;
    EXPECT_EQ(enabledSuffixes(withApps).back(), ".dll");
    EXPECT_EQ(toolsForFolder(withApps).back()->shown, std::string("upx"));

    for (const FileKind& kind : fileKinds())
        for (const char* suffix : kind.suffixes) {
            EXPECT_EQ(kindOfPath(std::string("/x/NAME") + suffix), &kind);
            std::string upper = std::string("/x/name") + suffix;
            toUpperInPlace(upper);
            EXPECT_TRUE(isSingleFilePath(upper)) << upper;
        }
    EXPECT_EQ(kindOfPath("/x/a.bmp"), nullptr);
}
