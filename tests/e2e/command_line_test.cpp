// The program as scripts and shells use it: --json lines, exit statuses, --tools, "--".
#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "program_fixture.h"
#include "support/fake_tools.h"
#include "support/waiting.h"
#include "util/live_file.h"

namespace {

class CommandLineTest : public ProgramTest {
protected:
    CommandLineTest() : tools(temp.file("bin"))
    {
        // pngout alone, so every file takes exactly one step.
        writeFile(settingsFile(), "{\"Full\":false,\"Strip\":false,\"Copy\":false}");
    }

    // The line of lines that holds text; empty when none does.
    static std::string lineWith(const std::vector<std::string>& lines, const std::string& text)
    {
        for (const std::string& line : lines)
            if (line.find(text) != std::string::npos)
                return line;
        return std::string();
    }

    FakeTools tools;
};

struct InterruptedRun {
    int exitStatus = -1;
    std::string out;
    std::string err;
};

// Runs program in a process group of its own and sends the group one signal (SIGINT unless told)
// once ready says so.
InterruptedRun runInterrupted(const std::string& program, const std::vector<std::string>& arguments,
                              const std::string& folder, const std::function<bool()>& ready,
                              int signal = SIGINT)
{
    const std::string outFile = folder + "/interrupted.out";
    const std::string errFile = folder + "/interrupted.err";
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& argument : argv)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);

    InterruptedRun run;
    const pid_t child = fork();
    if (child == 0) {
        setpgid(0, 0);
        if (chdir(folder.c_str()) != 0)
            _exit(126);
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execv(program.c_str(), pointers.data());
        _exit(127);
    }
    if (child < 0)
        return run;
    setpgid(child, child); // also here, so the group exists whichever side runs first
    waitUntil(ready, std::chrono::seconds(10));
    kill(-child, signal);
    int status = 0;
    waitpid(child, &status, 0);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = readFile(outFile);
    run.err = readFile(errFile);
    return run;
}

} // namespace

TEST_F(CommandLineTest, JsonGivesOneLinePerFileThenTheTotalsWithTheLogOnStandardError)
{
    tools.install("pngout", shrinkAction(100));
    writeFileOfSize(temp.file("pics/a.png"), 2048);
    // A quote, a line feed and a byte that is not UTF-8, all in one name.
    const std::string odd = temp.file("pics/q\"\n\xFF.png");
    writeFileOfSize(odd, 1024);

    const ProgramRun result = run({"--json", "pics"});

    EXPECT_EQ(result.exitStatus, 0) << result.err;
    const std::vector<std::string> lines = splitLines(result.out);
    ASSERT_EQ(lines.size(), 3u) << result.out;
    // The steps are whatever the engine reports for the file.
    const auto expectFileLine = [](const std::string& line, const std::string& head) {
        EXPECT_TRUE(line.starts_with(head + ",\"steps\":[")) << line;
        EXPECT_TRUE(line.ends_with("],\"status\":\"processed\"}")) << line;
    };
    expectFileLine(lineWith(lines, "a.png"), "{\"path\":\"" + temp.file("pics/a.png") +
                                                 "\",\"size_before\":2048,\"size_after\":1948");
    expectFileLine(lineWith(lines, "q\\\""), "{\"path\":\"" +
                                                 temp.file("pics/q\\\"\\n\\uDCFF.png") +
                                                 "\",\"size_before\":1024,\"size_after\":924");
    EXPECT_EQ(lines[2], "{\"files\":2,\"processed\":2,\"skipped\":0,\"stopped\":0,\"failed\":0,"
                        "\"bytes_saved\":200,\"exit_status\":0}");
    // The log is all on standard error, the JSON all on standard output.
    EXPECT_NE(result.err.find("Compressing a.png (2.000 KB)\n"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("Finished Compression at "), std::string::npos);
    EXPECT_EQ(result.out.find("Compressing"), std::string::npos);
}

TEST_F(CommandLineTest, ExitStatusIsOneWhenAFileCouldNotBeProcessed)
{
    // Whichever file goes first takes the other one away before its turn (the tool works on a
    // copy in a work folder beside the images).
    // The images differ in size, which tells the tool which one is its own.
    tools.install("pngout",
                  "for f in \"${FILE%/*/*}\"/[ab].png; do\n"
                  "  [ \"$(stat -c %s \"$f\")\" = \"$(stat -c %s \"$FILE\")\" ] || rm -f \"$f\"\n"
                  "done\n" +
                      shrinkAction(10));
    writeFileOfSize(temp.file("pics/a.png"), 2048);
    writeFileOfSize(temp.file("pics/b.png"), 3072);

    const ProgramRun text = run({"pics"});
    EXPECT_EQ(text.exitStatus, 1) << text.out << text.err;

    writeFileOfSize(temp.file("pics/a.png"), 2048);
    writeFileOfSize(temp.file("pics/b.png"), 3072);
    const ProgramRun json = run({"--json", temp.file("pics")});
    EXPECT_EQ(json.exitStatus, 1);
    const std::vector<std::string> lines = splitLines(json.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "{\"files\":2,\"processed\":1,\"skipped\":0,\"stopped\":0,\"failed\":1,"
                            "\"bytes_saved\":10,\"exit_status\":1}");
    EXPECT_NE(lineWith(lines, "\"status\":\"failed\""), "");
}

TEST_F(CommandLineTest, WrongCommandLinesExitWithStatusTwoAndSayWhy)
{
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"--bogus"}, {"--json"}, {"--json", "--bogus"}, {"-x", "pics"}, {"--"}}) {
        const ProgramRun result = run(arguments);
        EXPECT_EQ(result.exitStatus, 2) << arguments.front();
        EXPECT_TRUE(result.err.starts_with("tarnwick: ")) << result.err;
        EXPECT_NE(result.err.find("Usage: tarnwick PATH"), std::string::npos);
        EXPECT_EQ(result.out, "");
        EXPECT_TRUE(tools.calls().empty());
    }
    // A missing path in --json mode still ends with the totals.
    const ProgramRun missing = run({"--json", "gone.png"});
    EXPECT_EQ(missing.exitStatus, 2);
    EXPECT_EQ(missing.out, "{\"files\":0,\"processed\":0,\"skipped\":0,\"stopped\":0,\"failed\":0,"
                           "\"bytes_saved\":0,\"exit_status\":2}\n");
    EXPECT_NE(missing.err.find("tarnwick: gone.png: no such file or folder\n"), std::string::npos);
}

TEST_F(CommandLineTest, EveryPathIsCompressedInOneJobAndAMissingOneIsReported)
{
    tools.install("pngout", shrinkAction(100));
    writeFileOfSize(temp.file("a.png"), 1000);
    writeFileOfSize(temp.file("pics/b.png"), 1000);
    writeFileOfSize(temp.file("c.png"), 1000);

    const ProgramRun result = run({"a.png", "gone.png", "pics", "c.png"});

    EXPECT_EQ(result.exitStatus, 1) << result.err;
    for (const char* file : {"a.png", "pics/b.png", "c.png"})
        EXPECT_EQ(fileSize(temp.file(file)), 900) << file;
    const std::vector<std::string> lines = splitLines(result.out);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) {
                                return line.starts_with("Starting Compression at ");
                            }),
              1)
        << result.out;
    EXPECT_NE(result.err.find("tarnwick: gone.png: no such file or folder\n"), std::string::npos);
    EXPECT_NE(result.err.find("Saved: 0.293 KB"), std::string::npos) << result.err;

    // Nothing that exists: nothing could be done.
    EXPECT_EQ(run({"gone.png", "also-gone"}).exitStatus, 2);
}

TEST_F(CommandLineTest, DoubleDashLetsAPathStartWithADash)
{
    tools.install("pngout", shrinkAction(100));
    writeFileOfSize(temp.file("-odd.png"), 1000);
    const ProgramRun result = run({"--", "-odd.png"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(fileSize(temp.file("-odd.png")), 900);
}

TEST_F(CommandLineTest, CtrlCStopsTheJobWithStatus130)
{
    tools.install("pngout", "sleep 1\n" + shrinkAction(100));
    for (const char* name : {"a.png", "b.png", "c.png", "d.png"})
        writeFileOfSize(temp.file("pics/") + name, 1000);

    // One SIGINT to the program's whole group, as a terminal's Ctrl-C sends it.
    // Interrupted while the first file's tool runs.
    const InterruptedRun result =
        runInterrupted(programFolder() + "/tarnwick", {"--json", "pics"}, temp.path(),
                       [&] { return !tools.calls().empty(); });

    EXPECT_EQ(result.exitStatus, 130) << result.err;
    EXPECT_NE(result.err.find("Finished Compression at "), std::string::npos) << result.err;
    const std::vector<std::string> lines = splitLines(result.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("\"exit_status\":130}"), std::string::npos) << lines.back();
    EXPECT_LT(tools.calls().size(), 4u);
}

TEST_F(CommandLineTest, StoppedRunSaysHowManyFilesItLeftUndone)
{
    tools.install("pngout", "sleep 1\n" + shrinkAction(100));
    writeFile(temp.file("list"), "pics/a.png\npics/b.png\n");
    const struct {
        int signal;
        std::vector<std::string> arguments;
        std::string said;
    } cases[] = {
        // The running step finishes: that file is done.
        {SIGINT, {"pics"}, "Stopped: 3 files left undone.\n"},
        // The running tool is ended and its step undone.
        {SIGTERM, {"pics"}, "Stopped: 4 files left undone.\n"},
        {SIGINT,
         {"--files-from", "list"},
         "Stopped: 0 files left undone and the rest of the list.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.said);
        for (const char* name : {"a.png", "b.png", "c.png", "d.png"})
            writeFileOfSize(temp.file("pics/") + name, 1000);
        const std::size_t callsBefore = tools.calls().size();
        const InterruptedRun result = runInterrupted(
            programFolder() + "/tarnwick", c.arguments, temp.path(),
            [&] { return tools.calls().size() > callsBefore; }, c.signal);
        EXPECT_EQ(result.exitStatus, 128 + c.signal) << result.err;
        EXPECT_NE(result.err.find(c.said), std::string::npos) << result.err;
        // The log's own lines stay as they are.
        EXPECT_EQ(result.out.find("Stopped"), std::string::npos) << result.out;
    }
}

TEST_F(CommandLineTest, ToolsListsEachOptimizerWithItsPlaceAndVersion)
{
    // One next to the program, which wins over the same name on PATH.
    writeFile(programFolder() + "/exiftool", "#!/bin/sh\necho 99.1\n");
    chmod((programFolder() + "/exiftool").c_str(), 0755);
    tools.install("exiftool", "echo wrong");
    tools.install("optipng", "echo; echo 'OptiPNG version 0.0.1'; echo more");

    const ProgramRun result = run({"--tools"});

    EXPECT_EQ(result.exitStatus, 0) << result.err;
    const std::vector<std::string> lines = splitLines(result.out);
    ASSERT_EQ(lines.size(), 8u) << result.out;
    EXPECT_TRUE(lines[0].starts_with("exiftool  " + programFolder() + "/exiftool")) << lines[0];
    EXPECT_TRUE(lines[0].ends_with("  99.1")) << lines[0];
    EXPECT_TRUE(lines[2].starts_with("OptiPNG ")) << lines[2];
    EXPECT_NE(lines[2].find(" " + tools.folder() + "/optipng "), std::string::npos) << lines[2];
    EXPECT_TRUE(lines[2].ends_with("  OptiPNG version 0.0.1")) << lines[2];
    if (findOnPath("pngout").empty()) {
        // Where pngout is missing, the line names the program that stands in for it.
        const std::string zopflipng = findOnPath("zopflipng");
        EXPECT_EQ(lines[3].substr(0, lines[3].find(';')), "pngout    missing");
        if (!zopflipng.empty()) {
            EXPECT_TRUE(
                lines[3].starts_with("pngout    missing; zopflipng stands in: " + zopflipng + "  "))
                << lines[3];
        }
    }
    EXPECT_TRUE(lines[7].starts_with("upx ")) << lines[7];
}
