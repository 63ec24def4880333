#include "bench/engine/bench_support.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

void KeptSurfaces::append(const std::string& piece)
{
    std::lock_guard<std::mutex> guard(lock);
    text += piece;
}

void KeptSurfaces::setStatusText(int, const std::string&) {}

std::string KeptSurfaces::log() const
{
    std::lock_guard<std::mutex> guard(lock);
    return text;
}

double secondsFor(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

std::string makeScratch(const std::string& name)
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + name + "-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    return mkdtemp(buffer.data()) ? std::string(buffer.data()) : std::string();
}

void removeScratch(const std::string& folder)
{
    std::error_code error;
    std::filesystem::remove_all(folder, error);
}

int shell(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int report(const std::string& name, double ratio, double target, bool atMost)
{
    const bool pass = atMost ? ratio <= target : ratio >= target;
    std::printf("%s: ratio %.3f (target %s %.2f): %s\n", name.c_str(), ratio,
                atMost ? "at most" : "at least", target, pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
}
