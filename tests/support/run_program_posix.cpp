#include "support/run_program.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/temp_folder.h"

extern char** environ;

namespace {

// Waits for child; with a limit above zero, kills it once that many seconds have passed.
int waitFor(pid_t child, int seconds, bool& timedOut)
{
    int status = 0;
    if (seconds <= 0) {
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        return status;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (true) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child || (done < 0 && errno != EINTR))
            return status;
        if (std::chrono::steady_clock::now() >= deadline) {
            timedOut = true;
            kill(child, SIGKILL);
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            return status;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace

ProgramRun runProgramWithin(int seconds, const std::string& program,
                            const std::vector<std::string>& arguments, const std::string& folder)
{
    TempFolder capture;
    const std::string outPath = capture.file("out");
    const std::string errPath = capture.file("err");

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    if (!folder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());

    ProgramRun run;
    pid_t child = 0;
    const int failed =
        posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0)
        return run;
    const int status = waitFor(child, seconds, run.timedOut);
    if (WIFEXITED(status))
        run.exitStatus = WEXITSTATUS(status);
    run.out = readFile(outPath);
    run.err = readFile(errPath);
    return run;
}
