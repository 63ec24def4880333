#include "app/tool_output.h"
#include "app/tool_versions.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

std::string firstOutputLine(const std::string& program, const std::vector<std::string>& arguments,
                            std::chrono::milliseconds limit)
{
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        return std::string();
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    const pid_t child = fork();
    if (child == 0) {
        setpgid(0, 0);
        const int nothing = open("/dev/null", O_RDONLY);
        dup2(nothing, STDIN_FILENO);
        dup2(pipeEnds[1], STDOUT_FILENO);
        dup2(pipeEnds[1], STDERR_FILENO);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    if (child < 0) {
        close(pipeEnds[0]);
        return std::string();
    }

    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::string output, line;
    bool ended = false;
    while (!takeFirstLine(output, false, line) && output.size() < 65536) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd waiting{pipeEnds[0], POLLIN, 0};
        if (poll(&waiting, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char buffer[4096];
        const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
        if (got <= 0) {
            ended = true;
            break;
        }
        output.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeEnds[0]);
    // Whatever it still does is of no interest: its group goes, including anything it started.
    kill(-child, SIGKILL);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    takeFirstLine(output, ended, line);
    return line;
}
