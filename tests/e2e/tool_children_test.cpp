// What a tool starts and leaves running (in the background, or in a session of its own) ends
// with the tool's step, and with the program when it is killed outright.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <sstream>

#include "program_fixture.h"
#include "support/waiting.h"
#include "util/live_file.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

// No process has the pid any more (a zombie counts as gone).
bool gone(pid_t pid)
{
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    return close == std::string::npos || close + 2 >= stat.size() || stat[close + 2] == 'Z';
}

class ToolChildrenTest : public ProgramTest {
protected:
    // A pngout beside the program that leaves two sleeps running, notes their pids, then runs
    // `last`; only its step runs.
    void installLeavingTool(const std::string& last)
    {
        const std::string tool = programFolder() + "/pngout";
        writeFile(tool, "#!/bin/sh\nsleep 1000 & a=$!\nsetsid sleep 1000 & b=$!\necho $a $b > '" +
                            pidFile() + ".part'\nmv '" + pidFile() + ".part' '" + pidFile() +
                            "'\n" + last + "\n");
        ::chmod(tool.c_str(), 0755);
        writeFile(settingsFile(), "{\"Copy\":false,\"Full\":false,\"Strip\":false,"
                                  "\"HogSystem\":false,\"Optimize\":false}");
        writeFile(image(), std::string(3000, 'x'));
    }

    std::vector<pid_t> leftPids() const
    {
        std::istringstream text(readFile(pidFile()));
        std::vector<pid_t> pids;
        for (pid_t pid; text >> pid;)
            pids.push_back(pid);
        return pids;
    }

    ~ToolChildrenTest() override
    {
        // Should a check fail, the sleepers must not linger after the test.
        for (const pid_t pid : leftPids())
            if (pid > 0 && !gone(pid))
                ::kill(pid, SIGKILL);
    }

    std::string pidFile() const { return temp.file("left-pids"); }
    std::string image() const { return temp.file("a.png"); }
};

} // namespace

TEST_F(ToolChildrenTest, WhatAToolLeftRunningEndsWithItsStep)
{
    installLeavingTool("exit 0");

    const ProgramRun result = runWithin(60, {image()});

    EXPECT_EQ(result.exitStatus, 0) << result.err;
    const std::vector<pid_t> left = leftPids();
    ASSERT_EQ(left.size(), 2u);
    for (const pid_t pid : left)
        EXPECT_TRUE(gone(pid)) << pid;
}

TEST_F(ToolChildrenTest, WhatAToolLeftRunningEndsWhenTheProgramIsKilledOutright)
{
    installLeavingTool("exec sleep 1000");
    const std::string program = programFolder() + "/tarnwick";
    const std::string path = image();
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(path.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t tarnwick = -1;
    const int spawned = posix_spawn(&tarnwick, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ASSERT_EQ(spawned, 0);

    const bool started = waitUntil([&] { return leftPids().size() == 2; }, 10000ms);
    ::kill(tarnwick, SIGKILL);
    int status = 0;
    ::waitpid(tarnwick, &status, 0);
    ASSERT_TRUE(started);
    ASSERT_TRUE(WIFSIGNALED(status)) << "it ended before it was killed";
    for (const pid_t pid : leftPids())
        EXPECT_TRUE(waitUntil([&] { return gone(pid); }, 2000ms)) << pid;
}
