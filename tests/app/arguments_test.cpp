// One argument table and one parser serve the window and the headless run; the requests a drop
// and a command line make from what they are given.
#include "app/arguments.h"

#include <gtest/gtest.h>

#include "app/job_requests.h"

namespace {

using Paths = std::vector<std::string>;

TEST(CommandLineParse, EachFormGivesItsModePathsAndComplaint)
{
    struct Case {
        Paths arguments;
        ProgramMode mode;
        Paths paths;
        bool json;
        std::string complaint;
    };
    const Case cases[] = {
        {{}, ProgramMode::Window, {}, false, ""},
        {{" ", "\t"}, ProgramMode::Window, {}, false, ""},
        {{"--open", "a", " ", "b"}, ProgramMode::Window, {"a", "b"}, false, ""},
        {{"--open", "--json"}, ProgramMode::Window, {"--json"}, false, ""},
        {{"pics"}, ProgramMode::Headless, {"pics"}, false, ""},
        {{"--json", "pics"}, ProgramMode::Headless, {"pics"}, true, ""},
        {{"pics", "--json", "-x"}, ProgramMode::Headless, {"pics", "--json", "-x"}, false, ""},
        {{"--", "-odd.png", "--json"}, ProgramMode::Headless, {"-odd.png", "--json"}, false, ""},
        {{"a", "-", "b"}, ProgramMode::Headless, {"a", "-", "b"}, false, ""},
        {{"--help"}, ProgramMode::Help, {}, false, ""},
        {{"--version"}, ProgramMode::Version, {}, false, ""},
        {{"--tools"}, ProgramMode::Tools, {}, false, ""},
        {{"--bogus"}, ProgramMode::UsageError, {}, false, "unknown option --bogus"},
        {{"-x", "pics"}, ProgramMode::UsageError, {}, false, "unknown option -x"},
        {{"--json", "--help"}, ProgramMode::Help, {}, true, ""},
        {{"--json"}, ProgramMode::UsageError, {}, false, "no PATH given"},
        {{"--"}, ProgramMode::UsageError, {}, false, "no PATH given"},
        {{"--json", "--open", "pics"},
         ProgramMode::UsageError,
         {},
         false,
         "--open must come first"},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const std::string& argument : c.arguments)
            shown += "[" + argument + "]";
        SCOPED_TRACE(shown);
        const CommandLine line = parseCommandLine(c.arguments);
        EXPECT_EQ(line.mode, c.mode);
        EXPECT_EQ(line.paths, c.paths);
        EXPECT_EQ(line.json, c.json);
        EXPECT_EQ(line.complaint, c.complaint);
        EXPECT_EQ(line.opened, !c.arguments.empty() && c.arguments.front() == "--open");
    }
}

TEST(CommandLineParse, TheUsageTextListsEveryOptionWithItsHelpInOneColumn)
{
    const std::string& text = usageText();
    for (const char* line :
         {"\n  --json           one JSON object per file on standard output (path, size_before,\n"
          "                   size_after, steps, status),",
          "\n  --open PATH...   shows the window and compresses each PATH in it, one after\n",
          "\n  --tools          lists the optimizers:", "\n  --help           shows this text\n",
          "\n  --version        shows the version\n\n",
          "\n  --full, --no-full                  Full Compression (on)\n",
          "\n  --optimize, --no-optimize          Optimize JPEG, GIF & PDF (off)\n",
          "\n  --exe, --no-exe                    EXE / DLL (off)\n\nExit status:\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST(JobRequests, ADropCompressesItsFirstPathAndACommandLineEveryPathWithItsFlags)
{
    OptionValues options;
    options[Option::Full] = false;
    const JobRequest drop = dropRequest({"/a", "/b", "/c"}, options);
    EXPECT_EQ(drop.paths, Paths{"/a"});
    EXPECT_EQ(drop.options, options);
    EXPECT_EQ(drop.report, ReportForm::LogLines);
    EXPECT_TRUE(dropRequest({}, options).paths.empty());

    const JobRequest json = commandLineRequest(
        parseCommandLine({"--json", "--no-full", "--full", "/x", "/y"}), options);
    EXPECT_EQ(json.paths, (Paths{"/x", "/y"}));
    EXPECT_EQ(json.report, ReportForm::JsonLines);
    EXPECT_TRUE(json.options[Option::Full]) << "the last flag for an option counts";
    const JobRequest flagged = commandLineRequest(
        parseCommandLine({"--optimize", "--no-backup", "--exe", "/x"}), OptionValues());
    EXPECT_TRUE(flagged.options[Option::Optimize]);
    EXPECT_FALSE(flagged.options[Option::Copy]);
    EXPECT_TRUE(flagged.options[Option::Apps]);
    EXPECT_TRUE(flagged.options[Option::Strip]) << "the others as given";
}

} // namespace

TEST(CommandLineParse, ShardsAndJobsTakeTheirValueAndRefuseWrongOnes)
{
    const CommandLine line = parseCommandLine({"--shard", "3/4", "--jobs", "6", "pics"});
    EXPECT_EQ(line.mode, ProgramMode::Headless);
    EXPECT_EQ(line.shard.index, 3u);
    EXPECT_EQ(line.shard.count, 4u);
    EXPECT_EQ(line.jobs, 6u);
    const JobRequest request = commandLineRequest(line, OptionValues());
    EXPECT_EQ(request.workers, 6u);
    EXPECT_TRUE(request.options[Option::HogSystem]) << "--jobs runs the pool";
    EXPECT_EQ(request.shard.index, 3u);

    for (const Paths& wrong :
         {Paths{"--shard", "5/4", "pics"}, Paths{"--shard", "0/4", "pics"},
          Paths{"--shard", "1-4", "pics"}, Paths{"--shard", "/4", "pics"},
          Paths{"--jobs", "0", "pics"}, Paths{"--jobs", "x", "pics"}, Paths{"--jobs"}}) {
        const CommandLine refused = parseCommandLine(wrong);
        EXPECT_EQ(refused.mode, ProgramMode::UsageError) << wrong[0] << " " << wrong.back();
        EXPECT_TRUE(refused.complaint.starts_with(wrong[0])) << refused.complaint;
    }
}

TEST(CommandLineParse, AListOfPathsReplacesThePathsOfTheCommandLine)
{
    const struct {
        Paths arguments;
        std::string listFile;
        bool nul;
        bool quiet;
        std::string complaint;
    } cases[] = {
        {{"--files-from", "list.txt"}, "list.txt", false, false, ""},
        {{"--quiet", "--files-from", "-", "-0"}, "-", true, true, ""},
        {{"--null", "--files-from", "-"}, "-", true, false, ""},
        {{"--files-from", "list.txt", "pics"}, "", false, false, "--files-from takes no PATH"},
        {{"-0", "pics"}, "", false, false, "--null needs --files-from"},
        {{"--files-from"}, "", false, false, "--files-from needs FILE"},
        {{"--files-from", ""}, "", false, false, "--files-from : not FILE"},
        {{"--quiet"}, "", false, false, "no PATH given"},
    };
    for (const auto& c : cases) {
        const CommandLine line = parseCommandLine(c.arguments);
        SCOPED_TRACE(c.arguments.back());
        EXPECT_EQ(line.complaint, c.complaint);
        EXPECT_EQ(line.mode, c.complaint.empty() ? ProgramMode::Headless : ProgramMode::UsageError);
        EXPECT_EQ(line.listFile, c.listFile);
        EXPECT_EQ(line.listEndsWithNul, c.nul);
        EXPECT_EQ(line.quiet, c.quiet);
    }
    EXPECT_NE(usageText().find("\n  --files-from FILE takes the PATHs from FILE"),
              std::string::npos);
}
