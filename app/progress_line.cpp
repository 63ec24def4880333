#include "app/progress_line.h"

#include <cmath>
#include <cstdio>

#include "engine/size_report.h"

namespace {

std::string durationText(double seconds)
{
    const long long whole = std::llround(seconds);
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    return text;
}

std::string filesText(std::uint64_t count)
{
    return std::to_string(count) + (count == 1 ? " file" : " files");
}

} // namespace

std::string progressText(const FileProgress& progress, double seconds)
{
    const std::uint64_t done = progress.finished;
    std::string text = std::to_string(done);
    if (progress.allFound && progress.found >= done)
        text += "/" + std::to_string(progress.found);
    text += progress.allFound ? (progress.found == 1 ? " file" : " files")
                              : (done == 1 ? " file" : " files");
    text += ", " + kilobytesText(progress.savedBytes) + " KB saved";
    if (seconds < 1 || done == 0)
        return text;
    const double rate = static_cast<double>(done) / seconds;
    char rateText[32];
    std::snprintf(rateText, sizeof rateText, "%.1f", rate);
    text += std::string(", ") + rateText + " files/s";
    if (progress.allFound && progress.found >= done)
        text += ", " + durationText(static_cast<double>(progress.found - done) / rate) + " left";
    return text;
}

std::string stoppedText(const FileProgress& progress, const char* restUnread)
{
    const std::uint64_t done = progress.finished - progress.stopped;
    const std::uint64_t left = progress.found > done ? progress.found - done : 0;
    std::string text = "Stopped: " + filesText(left) + " left undone";
    if (restUnread)
        text += std::string(" and ") + restUnread;
    return text + ".";
}
