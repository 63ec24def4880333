// --tools asks each optimizer for its version: one that never answers costs its time limit and
// no more, and it never outlives the program, also when the program is killed while it asks.
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "program_fixture.h"
#include "support/waiting.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

class ToolsProbeTest : public ProgramTest {
protected:
    // An exiftool beside the program that notes its pid and sleeps instead of answering.
    ToolsProbeTest()
    {
        const std::string tool = programFolder() + "/exiftool";
        writeFile(tool, "#!/bin/sh\necho $$ > '" + pidFile() + ".part'\nmv '" + pidFile() +
                            ".part' '" + pidFile() + "'\nexec sleep 60\n");
        chmod(tool.c_str(), 0755);
    }

    ~ToolsProbeTest() override
    {
        // Should a check below fail, the sleeper must not linger after the test.
        if (const pid_t pid = hangingPid(); pid > 0 && !processGone(pid))
            kill(pid, SIGKILL);
    }

    std::string pidFile() const { return temp.file("hanging.pid"); }

    // The hanging tool's pid once it has started, else -1.
    pid_t hangingPid() const
    {
        const std::string text = readFile(pidFile());
        return text.empty() ? -1 : static_cast<pid_t>(std::stol(text));
    }

    // Gone, or dead and waiting to be collected by whoever inherited it.
    static bool processGone(pid_t pid)
    {
        const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
        const std::size_t nameEnd = stat.rfind(')');
        return nameEnd == std::string::npos || stat.compare(nameEnd, 4, ") Z ") == 0;
    }
};

TEST_F(ToolsProbeTest, AToolThatNeverAnswersCostsItsLimitAndIsEnded)
{
    const auto start = std::chrono::steady_clock::now();
    const ProgramRun result = runWithin(60, {"--tools"});
    const auto took = std::chrono::steady_clock::now() - start;

    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    // Its limit is 3 s; the others answer at once.
    EXPECT_LT(took, 10s);
    const std::vector<std::string> lines = splitLines(result.out);
    ASSERT_EQ(lines.size(), 8u) << result.out;
    EXPECT_TRUE(lines[0].starts_with("exiftool  " + programFolder() + "/exiftool")) << lines[0];
    const pid_t pid = hangingPid();
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(waitUntil([&] { return processGone(pid); }, 3000ms));
}

TEST_F(ToolsProbeTest, AToolThatNeverAnswersDiesWhenTheProgramIsKilledWhileAsking)
{
    const std::string program = programFolder() + "/tarnwick";
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("--tools"), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t tarnwick = -1;
    const int spawned = posix_spawn(&tarnwick, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ASSERT_EQ(spawned, 0);

    const bool asking = waitUntil([&] { return hangingPid() > 0; }, 10000ms);
    kill(tarnwick, SIGKILL);
    int status = 0;
    waitpid(tarnwick, &status, 0);
    ASSERT_TRUE(asking);
    ASSERT_TRUE(WIFSIGNALED(status)) << "it ended before it was killed";
    const pid_t pid = hangingPid();
    EXPECT_TRUE(waitUntil([&] { return processGone(pid); }, 3000ms));
}

} // namespace
