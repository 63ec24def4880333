#include "gui/gui_support.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

extern char** environ;

namespace guitest {
namespace {

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> out;
    for (std::string& s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

// The environment with DISPLAY replaced (or removed when display is empty).
std::vector<std::string> environmentWith(const std::string& display)
{
    std::vector<std::string> env;
    for (char** at = environ; *at; ++at)
        if (std::string_view(*at).substr(0, 8) != "DISPLAY=")
            env.emplace_back(*at);
    if (!display.empty())
        env.push_back("DISPLAY=" + display);
    return env;
}

int waitStatus(pid_t pid, int options, bool& ended)
{
    int status = 0;
    pid_t got;
    do {
        got = waitpid(pid, &status, options);
    } while (got < 0 && errno == EINTR);
    ended = got == pid;
    if (!ended)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

XvfbServer::XvfbServer()
{
    int fds[2];
    if (pipe(fds) != 0)
        return;
    std::string fd = std::to_string(fds[1]);
    std::vector<std::string> argv{"Xvfb", "-noreset",     "-displayfd", fd,   "-screen",
                                  "0",    "1280x1024x24", "-nolisten",  "tcp"};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args = pointers(argv);
    if (posix_spawnp(&pid, "Xvfb", &actions, nullptr, args.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (!number.empty())
        name = ":" + number;
}

XvfbServer::~XvfbServer()
{
    if (pid > 0) {
        kill(pid, SIGTERM);
        bool ended = false;
        waitStatus(pid, 0, ended);
    }
}

CommandResult runCommand(const std::vector<std::string>& argv, const std::string& display)
{
    CommandResult result;
    int fds[2];
    if (pipe(fds) != 0)
        return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::vector<std::string> args = argv;
    std::vector<std::string> env = environmentWith(display);
    std::vector<char*> argp = pointers(args);
    std::vector<char*> envp = pointers(env);
    pid_t pid = -1;
    int spawned = posix_spawnp(&pid, argv[0].c_str(), &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    char buffer[4096];
    ssize_t got;
    while ((got = read(fds[0], buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR))
        if (got > 0)
            result.out.append(buffer, static_cast<std::size_t>(got));
    close(fds[0]);
    if (spawned == 0) {
        bool ended = false;
        result.exitStatus = waitStatus(pid, 0, ended);
    }
    return result;
}

ChildProgram::ChildProgram(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& display, const std::string& errorFile)
{
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    std::vector<std::string> env = environmentWith(display);
    std::vector<char*> argp = pointers(argv);
    std::vector<char*> envp = pointers(env);
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argp.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
}

ChildProgram::~ChildProgram()
{
    if (pid > 0 && !finished()) {
        kill(pid, SIGKILL);
        bool ended = false;
        waitStatus(pid, 0, ended);
    }
}

bool ChildProgram::finished()
{
    if (done || pid <= 0)
        return true;
    bool ended = false;
    int result = waitStatus(pid, WNOHANG, ended);
    if (ended) {
        done = true;
        status = result;
    }
    return done;
}

int ChildProgram::wait(std::chrono::milliseconds limit)
{
    if (!waitUntil([this] { return finished(); }, limit))
        return -1;
    return status;
}

bool writeProgram(const std::string& path, const std::string& content)
{
    if (!writeFile(path, content))
        return false;
    return chmod(path.c_str(), 0755) == 0;
}

bool fileExists(const std::string& path)
{
    return access(path.c_str(), F_OK) == 0;
}

long long fileSize(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

std::string ownFolder()
{
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

std::string artifactsFolder()
{
    std::string folder = TARNWICK_ARTIFACTS_DIR;
    std::filesystem::create_directories(folder);
    return folder;
}

} // namespace guitest
