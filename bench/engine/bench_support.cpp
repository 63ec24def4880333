#include "bench/engine/bench_support.h"

#include <algorithm>
#include <cstdint>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <zlib.h>

#include "engine/job_runner.h"

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
    std::printf("%s: ratio %.3f (target %s %.3g): %s\n", name.c_str(), ratio,
                atMost ? "at most" : "at least", target, pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
}

namespace {

void putBigEndian(std::string& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xff);
}

void putChunk(std::string& out, const char* type, const std::string& data)
{
    putBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    out += typed;
    putBigEndian(out, static_cast<std::uint32_t>(
                          crc32(0, reinterpret_cast<const Bytef*>(typed.data()), typed.size())));
}

} // namespace

std::string rgbPngBytes(int width, int height, const std::string& rows, int level,
                        const std::string& comment)
{
    uLongf packedSize = compressBound(rows.size());
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                  reinterpret_cast<const Bytef*>(rows.data()), rows.size(), level) != Z_OK)
        return {};
    packed.resize(packedSize);

    std::string png = "\x89PNG\r\n\x1a\n";
    std::string header;
    putBigEndian(header, static_cast<std::uint32_t>(width));
    putBigEndian(header, static_cast<std::uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5);
    putChunk(png, "IHDR", header);
    if (!comment.empty())
        putChunk(png, "tEXt", std::string("Comment\0", 8) + comment);
    putChunk(png, "IDAT", packed);
    putChunk(png, "IEND", "");
    return png;
}

bool writeBenchPng(const std::string& path, int width, int height, int seed)
{
    std::string raw;
    std::uint32_t noise = 2463534242u + static_cast<std::uint32_t>(seed) * 2654435761u;
    const int style = seed % 4;
    for (int y = 0; y < height; ++y) {
        raw += '\0';
        for (int x = 0; x < width; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const int grain = style == 0 ? 0 : static_cast<int>(noise % (style * 12 + 1));
            const bool inside =
                (x - width / 2) * (x - width / 2) + (y - height / 3) * (y - height / 3) <
                (width * width) / (6 + seed % 5);
            const int r = (x * 255 / width + grain + (inside ? 90 : 0)) & 0xff;
            const int g = (y * 255 / height + seed * 17 + grain) & 0xff;
            const int b = ((x ^ y) * (1 + seed % 3) + (inside ? 0 : 40)) & 0xff;
            raw += static_cast<char>(r);
            raw += static_cast<char>(g);
            raw += static_cast<char>(b);
        }
    }
    const std::string png =
        rgbPngBytes(width, height, raw, 1, "benchmark image " + std::to_string(seed));
    if (png.empty())
        return false;
    std::ofstream out(path, std::ios::binary);
    out << png;
    return static_cast<bool>(out.flush());
}

double loadAverage()
{
    std::ifstream in("/proc/loadavg");
    double load = 0;
    in >> load;
    return load;
}

double cpuSeconds()
{
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        total += usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                 (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

std::vector<JobOutcome> runBenchJob(ReportSurfaces& surfaces, EngineState& state,
                                    const std::vector<std::string>& paths)
{
    InterpreterRunner interpreter;
    const std::unique_ptr<ToolRunner> runner = makeJobRunner(interpreter);
    ContentChecker checker(interpreter);
    const JobContext job{surfaces, state, runner ? *runner : interpreter, checker};
    return runCompressionJob(job, JobRequest{paths, state.options.snapshot()});
}
