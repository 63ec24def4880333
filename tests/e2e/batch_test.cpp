// Big batches from scripts and terminals: lists of paths, --quiet, the progress line on a
// terminal and shards spread by GNU parallel.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <pty.h>
#include <regex>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

#include "program_fixture.h"
#include "support/fake_tools.h"
#include "util/live_file.h"

using namespace std::string_literals;

namespace {

class BatchTest : public ProgramTest {
protected:
    BatchTest() : tools(temp.file("bin"))
    {
        // pngout alone, so every file takes exactly one step.
        writeFile(settingsFile(), "{\"Full\":false,\"Strip\":false,\"Copy\":false}");
        tools.install("pngout", shrinkAction(100));
    }

    // count files of different sizes in nested folders below tree.
    void makeTree(const std::string& tree, int count)
    {
        for (int i = 0; i < count; ++i)
            writeFileOfSize(tree + "/d" + std::to_string(i % 3) + "/s" + std::to_string(i % 2) +
                                "/f" + std::to_string(i) + ".png",
                            1000 + 37 * i);
    }

    // Runs the program on a pseudo-terminal (its standard output and error both) until it ends;
    // everything it wrote there.
    std::string runOnTerminal(const std::vector<std::string>& arguments, int& exitStatus)
    {
        std::vector<std::string> argv{programFolder() + "/tarnwick"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<char*> pointers;
        for (std::string& argument : argv)
            pointers.push_back(argument.data());
        pointers.push_back(nullptr);
        int terminal = -1;
        const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
        if (child == 0) {
            if (chdir(temp.path().c_str()) != 0)
                _exit(126);
            execv(pointers[0], pointers.data());
            _exit(127);
        }
        std::string text;
        if (child < 0)
            return text;
        char buffer[4096];
        // Linux ends the reads with EIO once the child has gone.
        for (ssize_t n; (n = read(terminal, buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<std::size_t>(n));
        close(terminal);
        int status = 0;
        waitpid(child, &status, 0);
        exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return text;
    }

    // The lines of a run's log, its stamps' times left out.
    static std::vector<std::string> logLinesOf(const std::string& text)
    {
        std::vector<std::string> lines = splitLines(text);
        for (std::string& line : lines) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            for (const char* stamp : {"Starting Compression at ", "Finished Compression at "})
                if (isStampLine(line, stamp))
                    line = stamp;
        }
        return lines;
    }

    FakeTools tools;
};

// The per-file JSON lines of a run's output, with the tree's own folder cut from their paths.
std::multiset<std::string> fileLines(const std::string& out, const std::string& tree)
{
    std::multiset<std::string> lines;
    for (std::string line : splitLines(out)) {
        if (!line.starts_with("{\"path\":"))
            continue;
        const std::size_t at = line.find(tree + "/");
        if (at != std::string::npos)
            line.erase(at, tree.size());
        lines.insert(line);
    }
    return lines;
}

} // namespace

TEST_F(BatchTest, ListFromStandardInputWithNulEndsRunsAsOneJobAndReportsAMissingPath)
{
    makeTree(temp.file("pics"), 4);
    writeFile(temp.file("list"), "pics/d0\0/gone.png\0\0pics/d1/s1/f1.png\0"s);

    const ProgramRun result = runProgram(
        "/bin/sh", {"-c", "exec '" + programFolder() + "/tarnwick' -0 --files-from - < list"},
        temp.path());

    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(fileSize(temp.file("pics/d0/s0/f0.png")), 900);
    EXPECT_EQ(fileSize(temp.file("pics/d0/s1/f3.png")), 1011);
    EXPECT_EQ(fileSize(temp.file("pics/d1/s1/f1.png")), 937);
    EXPECT_EQ(fileSize(temp.file("pics/d2/s0/f2.png")), 1074) << "not listed";
    const std::vector<std::string> lines = logLinesOf(result.out);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Starting Compression at "), 1);
    EXPECT_NE(result.err.find("tarnwick: /gone.png: no such file or folder\n"), std::string::npos);
    EXPECT_TRUE(result.err.ends_with("Saved: 0.293 KB\n")) << result.err;

    // Nothing listed exists: nothing could be done.
    writeFile(temp.file("list2"), "gone.png\r\n\r\nalso-gone\r\n");
    EXPECT_EQ(run({"--files-from", "list2"}).exitStatus, 2);
}

TEST_F(BatchTest, QuietPrintsOnlyTheTotal)
{
    makeTree(temp.file("pics"), 2);
    const ProgramRun quiet = run({"--quiet", "pics"});
    EXPECT_EQ(quiet.exitStatus, 0);
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.err, "Saved: 0.195 KB\n");

    const ProgramRun json = run({"--quiet", "--json", "pics"});
    EXPECT_EQ(json.out, "{\"files\":2,\"processed\":2,\"skipped\":0,\"stopped\":0,\"failed\":0,"
                        "\"bytes_saved\":200,\"exit_status\":0}\n");
    EXPECT_EQ(json.err, "");
}

TEST_F(BatchTest, TerminalShowsOneProgressLineThatNeverBreaksALogLine)
{
    tools.install("pngout", "sleep 0.4\n" + shrinkAction(100));
    makeTree(temp.file("pics"), 4);
    int status = -1;
    const std::string shown = runOnTerminal({"pics"}, status);
    EXPECT_EQ(status, 0) << shown;

    makeTree(temp.file("pics"), 4);
    const ProgramRun piped = run({"pics"});
    EXPECT_EQ(piped.err.find('\033'), std::string::npos) << "no progress line in a pipe";

    const std::regex progress("\r\033\\[K(\\d+(/\\d+)? files?, -?\\d+\\.\\d{3} KB saved"
                              "(, \\d+\\.\\d files/s)?(, \\d+:\\d\\d(:\\d\\d)? left)?)?");
    EXPECT_TRUE(std::regex_search(shown, std::regex("\r\033\\[K\\d/4 files, .*files/s, "
                                                    "\\d+:\\d\\d left")))
        << shown;
    // Cleared before the total.
    EXPECT_TRUE(std::regex_search(shown, std::regex(" left\r\033\\[KSaved: 0.391 KB\r\n$")))
        << shown;
    // Without the progress line, the terminal shows exactly the log of a piped run.
    const std::string rest = std::regex_replace(shown, progress, "");
    EXPECT_EQ(logLinesOf(rest), logLinesOf(piped.out + piped.err));
}

TEST_F(BatchTest, ParallelShardsProcessEveryFileOnceAndAsOneRunDoes)
{
    const std::string parallel = findOnPath("parallel");
    if (parallel.empty())
        GTEST_SKIP() << "GNU parallel is not installed";
    const std::string tree = temp.file("tree");
    const std::string single = temp.file("single");
    makeTree(tree, 40);
    std::filesystem::copy(tree, single, std::filesystem::copy_options::recursive);

    const ProgramRun one = run({"--json", single});
    const ProgramRun shards = runProgram(parallel,
                                         {programFolder() + "/tarnwick", "--json", "--shard",
                                          "{}/4", tree, ":::", "1", "2", "3", "4"},
                                         temp.path());

    ASSERT_EQ(one.exitStatus, 0) << one.err;
    ASSERT_EQ(shards.exitStatus, 0) << shards.err;
    const std::multiset<std::string> all = fileLines(shards.out, tree);
    EXPECT_EQ(all.size(), 40u);
    EXPECT_EQ(std::set<std::string>(all.begin(), all.end()).size(), 40u) << "a file done twice";
    EXPECT_EQ(all, fileLines(one.out, single));
    EXPECT_EQ(std::count(shards.out.begin(), shards.out.end(), '\n'), 44) << "and 4 totals";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(tree))
        if (entry.is_regular_file()) {
            const std::string relative = entry.path().string().substr(tree.size());
            EXPECT_EQ(readFile(entry.path().string()), readFile(single + relative)) << relative;
        }
}
