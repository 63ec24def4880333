// The program run from a terminal: options, exit status, the log on standard output.
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "program_fixture.h"
#include "support/fake_tools.h"
#include "support/work_copy.h"
#include "util/live_file.h"

using HeadlessRunTest = ProgramTest;

TEST_F(HeadlessRunTest, HelpAndVersionAnswerOnlyAsFirstArgument)
{
    const ProgramRun version = run({"--version"});
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.out, "Tarnwick 6.1\n");

    const ProgramRun help = run({"--help", "ignored"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: tarnwick PATH\n")) << help.out;

    // Anywhere else it is a path, and no such path exists.
    const ProgramRun late = run({"missing.png", "--version"});
    EXPECT_EQ(late.exitStatus, 2);
    EXPECT_EQ(late.out.find("Tarnwick 6.1"), std::string::npos);
}

TEST_F(HeadlessRunTest, PathWithNothingToCompressExitsWithStatusTwo)
{
    writeFile(temp.file("picture.bmp"), "BM");
    for (const std::string& path :
         {temp.file("no such folder"), temp.file("gone.png"), temp.file("picture.bmp")}) {
        const ProgramRun result = run({path});
        EXPECT_EQ(result.exitStatus, 2) << path;
        const std::vector<std::string> lines = splitLines(result.out);
        ASSERT_EQ(lines.size(), 3u) << result.out;
        EXPECT_TRUE(isStampLine(lines[0], "Starting Compression at ")) << lines[0];
        EXPECT_TRUE(isStampLine(lines[1], "Finished Compression at ")) << lines[1];
        EXPECT_EQ(lines[2], "");
        EXPECT_EQ(splitLines(result.err).size(), 1u) << result.err;
        EXPECT_NE(result.err.find(path), std::string::npos) << result.err;
    }
}

TEST_F(HeadlessRunTest, RelativePathIsTheCallersAndToolsAreFoundInTheProgramsFolder)
{
    // Fakes next to the program shadow any real tool; PATH holds only the system folders.
    FakeTools tools(programFolder());
    tools.installShrinkingSet(1024);
    setenv("PATH", "/usr/bin:/bin", 1);
    const std::string settings = "{\n\t\"Full\": false, // fast\n\t\"Strip\": false,\n"
                                 "\t\"Copy\": false\n}\n";
    writeFile(settingsFile(), settings);
    // The same name next to the program must be left alone: "pics" is the caller's.
    writeFileOfSize(programFolder() + "/pics/a b.png", 2048);
    writeFileOfSize(temp.file("elsewhere/pics/a b.png"), 2048);

    const ProgramRun result = run({"pics"}, temp.file("elsewhere"));

    EXPECT_EQ(result.exitStatus, 0) << result.err;
    const std::vector<std::string> lines = splitLines(result.out);
    ASSERT_EQ(lines.size(), 6u) << result.out;
    EXPECT_TRUE(isStampLine(lines[0], "Starting Compression at "));
    EXPECT_EQ(lines[1], "Compressing a b.png (2.000 KB)");
    EXPECT_EQ(lines[2], "     Fast Compression...  New Size: 1.000 KB");
    EXPECT_EQ(lines[3], "     Compressed file is 50.000% of the original");
    EXPECT_TRUE(isStampLine(lines[4], "Finished Compression at "));
    EXPECT_EQ(lines[5], "");
    EXPECT_EQ(result.out.find('\r'), std::string::npos);
    EXPECT_EQ(result.err, "Saved: 1.000 KB\n");
    const std::string callers = temp.file("elsewhere/pics/a b.png");
    EXPECT_EQ(withWorkCopies(tools.calls(), {callers}),
              std::vector<std::string>{"pngout|" + workCopy(callers)});
    EXPECT_EQ(fileSize(programFolder() + "/pics/a b.png"), 2048);
    EXPECT_EQ(workFoldersIn(temp.path()), std::vector<std::string>{});
    // A headless run reads the settings but never writes them.
    EXPECT_EQ(readFile(settingsFile()), settings);
}

// The whole program checks each result: a packed program whose self-test fails and a picture
// that no longer decodes are put back, and standard output says why under the step's line.
TEST_F(HeadlessRunTest, ResultsFailingTheirCheckAreUndoneAndSaidSo)
{
    FakeTools tools(temp.file("bin"));
    tools.install("pngout", setSizeAction(50));
    tools.installPacker(shrinkAction(1024), false);
    writeFile(settingsFile(), "{\"Full\":false,\"Strip\":false,\"Copy\":false,\"Apps\":true}");
    writeFileOfSize(temp.file("pics/a.png"), 2048);
    writeFileOfSize(temp.file("pics/b.exe"), 2048);
    const std::string png = readFile(temp.file("pics/a.png"));
    const std::string exe = readFile(temp.file("pics/b.exe"));

    const ProgramRun result = run({temp.file("pics")});

    EXPECT_EQ(result.exitStatus, 0) << result.err;
    std::vector<std::string> lines = splitLines(result.out);
    ASSERT_EQ(lines.size(), 11u) << result.out;
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end() - 2),
              (std::vector<std::string>{
                  "Compressing a.png (2.000 KB)", "     Fast Compression...  New Size: 2.000 KB",
                  "     Step undone: it does not decode",
                  "     Compressed file is 100.000% of the original",
                  "Compressing b.exe (2.000 KB)", "     Compressing...  New Size: 2.000 KB",
                  "     Step undone: the packed program fails its test",
                  "     Compressed file is 100.000% of the original"}));
    EXPECT_EQ(readFile(temp.file("pics/a.png")), png);
    EXPECT_EQ(readFile(temp.file("pics/b.exe")), exe);
    EXPECT_EQ(workFoldersIn(temp.file("pics")), std::vector<std::string>{});
}

TEST_F(HeadlessRunTest, FailedBackupIsReportedAndNothingIsCompressed)
{
    FakeTools tools(temp.file("bin"));
    tools.installShrinkingSet(1024);
    writeFileOfSize(temp.file("pics/a.png"), 2048);
    // A link to its own folder: the backup would lie inside the tree it copies.
    std::filesystem::create_directory_symlink(temp.file("pics"), temp.file("pics/loop"));
    writeFile(settingsFile(), "{\"Copy\":true}");

    const ProgramRun result = run({temp.file("pics/loop")});

    EXPECT_EQ(result.exitStatus, 1);
    const std::vector<std::string> lines = splitLines(result.out);
    ASSERT_EQ(lines.size(), 4u) << result.out;
    EXPECT_EQ(lines[1], "Backing up originals... failed");
    EXPECT_TRUE(tools.calls().empty());
    EXPECT_EQ(fileSize(temp.file("pics/a.png")), 2048);
}

TEST_F(HeadlessRunTest, PipeNamedLikeAnImageEndsAtOnceAsUnsupported)
{
    // Tools that read their file, as every real optimizer does: a pipe would block them.
    FakeTools tools(temp.file("bin"));
    for (const char* tool : {"pngcrush", "optipng", "pngout", "exiftool"})
        tools.install(tool, "cat \"$FILE\" > /dev/null");
    writeFile(settingsFile(), "{\"Copy\":false}");
    const std::string pipe = temp.file("x.png");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::filesystem::create_symlink(pipe, temp.file("y.png"));

    for (const std::string& path : {pipe, temp.file("y.png")}) {
        const ProgramRun result = runWithin(5, {path});
        if (result.timedOut) {
            // Lets whatever waits on the pipe go on, so nothing outlives the test.
            ::close(::open(pipe.c_str(), O_RDWR | O_NONBLOCK));
        }
        EXPECT_FALSE(result.timedOut) << path;
        EXPECT_EQ(result.exitStatus, 2) << path;
        const std::vector<std::string> lines = splitLines(result.out);
        ASSERT_EQ(lines.size(), 3u) << result.out;
        EXPECT_TRUE(isStampLine(lines[0], "Starting Compression at ")) << lines[0];
        EXPECT_TRUE(isStampLine(lines[1], "Finished Compression at ")) << lines[1];
        EXPECT_NE(result.err.find(path), std::string::npos) << result.err;
    }
    EXPECT_TRUE(tools.calls().empty());
}
