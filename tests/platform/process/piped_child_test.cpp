// A child kept running to talk to: lines both ways, its end, and a child that no longer reads.
#include "platform/posix/process/piped_child.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <cerrno>

#include "support/waiting.h"

namespace {

using posix_process::PipedChild;
using std::chrono::milliseconds;

posix_process::SpawnRequest shell(const std::string& script)
{
    posix_process::SpawnRequest request;
    request.path = "/bin/sh";
    request.arguments = {"/bin/sh", "-c", script};
    return request;
}

bool processGone(pid_t pid)
{
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

// The pid a child's script printed first.
pid_t firstLinePid(PipedChild& child)
{
    std::string line;
    EXPECT_EQ(child.readLine(&line, milliseconds(5000)), PipedChild::Read::line);
    return static_cast<pid_t>(std::stol("0" + line));
}

TEST(PipedChild, TalksInLinesAndEndsWhenItsInputCloses)
{
    PipedChild child;
    int error = 0;
    // Errors go nowhere: only standard output comes back.
    ASSERT_TRUE(child.start(shell("while read -r line; do echo \"got $line\"; echo noise >&2; "
                                  "done; exit 3"),
                            &error))
        << error;
    std::string line;
    EXPECT_EQ(child.readLine(&line, milliseconds(20)), PipedChild::Read::waiting);
    ASSERT_TRUE(child.send("one\ntwo\n"));
    ASSERT_EQ(child.readLine(&line, milliseconds(5000)), PipedChild::Read::line);
    EXPECT_EQ(line, "got one");
    ASSERT_EQ(child.readLine(&line, milliseconds(5000)), PipedChild::Read::line);
    EXPECT_EQ(line, "got two");
    EXPECT_EQ(child.finish(milliseconds(5000)), 3);
    EXPECT_FALSE(child.running());
}

TEST(PipedChild, ChildThatIgnoresTheEndIsKilledWithItsGroup)
{
    PipedChild child;
    int error = 0;
    ASSERT_TRUE(
        child.start(shell("trap '' TERM; sleep 30 & echo $!; while :; do sleep 1; done"), &error));
    const pid_t sleeper = firstLinePid(child);
    ASSERT_GT(sleeper, 0);
    const auto start = std::chrono::steady_clock::now();
    // Killed after the grace: an exit code of SIGKILL.
    EXPECT_EQ(child.finish(milliseconds(100)), 128 + SIGKILL);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    // The sleep it started went with it (an orphan may take a moment to be collected).
    EXPECT_TRUE(waitUntil([&] { return processGone(sleeper); }, milliseconds(3000)));
}

TEST(PipedChild, WritingToAChildThatStoppedReadingFailsWithoutASignal)
{
    PipedChild child;
    int error = 0;
    ASSERT_TRUE(child.start(shell("exec 0<&-; echo closed; sleep 30"), &error));
    std::string line;
    ASSERT_EQ(child.readLine(&line, milliseconds(5000)), PipedChild::Read::line);
    // Were SIGPIPE raised, this test program would end here.
    EXPECT_FALSE(child.send(std::string(1 << 16, 'x')));
    sigset_t pending;
    sigpending(&pending);
    EXPECT_FALSE(sigismember(&pending, SIGPIPE));
    child.kill();
    EXPECT_FALSE(child.running());
}

TEST(PipedChild, OutputEndsWhenTheChildDiesAndAMissingProgramDoesNotStart)
{
    PipedChild child;
    int error = 0;
    ASSERT_TRUE(child.start(shell("echo last; kill -9 $$"), &error));
    std::string line;
    ASSERT_EQ(child.readLine(&line, milliseconds(5000)), PipedChild::Read::line);
    EXPECT_EQ(line, "last");
    EXPECT_EQ(child.readLine(&line, milliseconds(5000)), PipedChild::Read::closed);
    EXPECT_EQ(child.finish(milliseconds(0)), 128 + SIGKILL);

    posix_process::SpawnRequest missing;
    missing.path = "/nonexistent/tool";
    missing.arguments = {"/nonexistent/tool"};
    EXPECT_FALSE(child.start(missing, &error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(child.running());
}

TEST(PipedChild, ListeningChildReadsNothingAndGivesItsErrorsOnlyWhenAsked)
{
    // Input is /dev/null: "read" ends at once instead of waiting on a pipe nobody writes to.
    const std::string script = "read -r line; echo \"in:$line\"; echo err >&2; printf tail";
    const struct {
        bool errorsToOutput;
        const char* expected;
    } cases[] = {{false, "in:\ntail"}, {true, "in:\nerr\ntail"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.errorsToOutput);
        posix_process::SpawnRequest request = shell(script);
        request.errorsToOutput = c.errorsToOutput;
        PipedChild child;
        int error = 0;
        ASSERT_TRUE(child.startListening(request, &error)) << error;
        EXPECT_FALSE(child.send("x\n"));
        std::string output;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (child.readSome(&output, milliseconds(5000)) &&
               std::chrono::steady_clock::now() < deadline) {
        }
        EXPECT_EQ(output, c.expected);
        // Once ended, it stays ended.
        EXPECT_FALSE(child.readSome(&output, milliseconds(0)));
        EXPECT_EQ(child.finish(milliseconds(5000)), 0);
    }
}

TEST(PipedChild, ReadSomeHandsOverWhatReadLineLeftAndWaitsNoLongerThanAsked)
{
    PipedChild child;
    int error = 0;
    ASSERT_TRUE(child.startListening(shell("echo $$; printf 'one\\ntw'; exec sleep 30"), &error));
    const pid_t program = firstLinePid(child);
    ASSERT_GT(program, 0);
    std::string line;
    ASSERT_EQ(child.readLine(&line, milliseconds(5000)), PipedChild::Read::line);
    EXPECT_EQ(line, "one");
    std::string rest;
    // The rest may have come with the line already or may still be on its way.
    EXPECT_TRUE(
        waitUntil([&] { return !child.readSome(&rest, milliseconds(100)) || rest.size() >= 2; },
                  milliseconds(5000)));
    EXPECT_EQ(rest, "tw");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(child.readSome(&rest, milliseconds(50)));
    EXPECT_EQ(rest, "tw");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    child.kill();
    EXPECT_TRUE(waitUntil([&] { return processGone(program); }, milliseconds(3000)));
}

} // namespace
