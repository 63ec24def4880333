#include "tests/e2e/stress/stress_processes.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

bool onPath(const std::string& tool)
{
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "");
    std::string folder;
    while (std::getline(folders, folder, ':'))
        if (!folder.empty() && ::access((folder + "/" + tool).c_str(), X_OK) == 0)
            return true;
    return false;
}

std::vector<std::string> survivingChildren()
{
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    for (;;) {
        while (::waitpid(-1, nullptr, WNOHANG) > 0) {
        }
        std::vector<std::pair<pid_t, std::string>> living;
        for (const auto& entry : fs::directory_iterator("/proc")) {
            const std::string pid = entry.path().filename().string();
            if (pid.find_first_not_of("0123456789") != std::string::npos)
                continue;
            const std::string stat = readText("/proc/" + pid + "/stat");
            const std::size_t close = stat.rfind(')');
            if (close == std::string::npos)
                continue;
            std::istringstream rest(stat.substr(close + 2));
            char state = 0;
            pid_t parent = 0;
            rest >> state >> parent;
            if (parent == ::getpid() && state != 'Z') {
                const std::size_t open = stat.find('(');
                living.emplace_back(std::atoi(pid.c_str()),
                                    stat.substr(open + 1, close - open - 1));
            }
        }
        if (living.empty())
            return {};
        if (Clock::now() >= deadline) {
            std::vector<std::string> names;
            for (const auto& [pid, name] : living) {
                names.push_back(name + " (" + std::to_string(pid) + ")");
                ::kill(pid, SIGKILL);
            }
            while (::waitpid(-1, nullptr, WNOHANG) > 0) {
            }
            return names;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

pid_t start(const std::string& program, const std::string& folder, const std::string& log)
{
    return start(program, std::string(), folder, log);
}

pid_t start(const std::string& program, const std::string& option, const std::string& folder,
            const std::string& log)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(null, STDIN_FILENO);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(out, STDERR_FILENO);
        if (option.empty())
            ::execl(program.c_str(), program.c_str(), folder.c_str(), static_cast<char*>(nullptr));
        else
            ::execl(program.c_str(), program.c_str(), option.c_str(), folder.c_str(),
                    static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

bool waitOrKill(pid_t pid, Clock::duration limit, int& status)
{
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return true;
}
