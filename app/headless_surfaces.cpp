#include "app/headless_surfaces.h"

#include <algorithm>

std::string toTerminalLineEnds(const std::string& piece, bool& pendingReturn)
{
    std::string out;
    out.reserve(piece.size() + 1);
    for (char c : piece) {
        if (pendingReturn) {
            pendingReturn = false;
            if (c == '\n') {
                out += '\n';
                continue;
            }
            out += '\r';
        }
        if (c == '\r')
            pendingReturn = true;
        else
            out += c;
    }
    return out;
}

HeadlessSurfaces::HeadlessSurfaces(std::FILE* log, std::FILE* status) : log(log), status(status) {}

HeadlessSurfaces::~HeadlessSurfaces()
{
    finishStatusLine();
}

void HeadlessSurfaces::append(const std::string& piece)
{
    std::lock_guard<std::mutex> guard(lock);
    if (keepText)
        text += piece;
    if (!log)
        return;
    std::string out = toTerminalLineEnds(piece, pendingReturn);
    if (progressShown) {
        // The start of a line waits for its end (a step's label for its result), so that the
        // progress line stays in view while the step runs instead of giving way to half a line.
        heldBack += out;
        const std::size_t lineEnd = heldBack.rfind('\n');
        if (lineEnd == std::string::npos)
            return;
        out = heldBack.substr(0, lineEnd + 1);
        heldBack.erase(0, lineEnd + 1);
    }
    if (out.empty())
        return;
    eraseStatusLine();
    std::fwrite(out.data(), 1, out.size(), log);
    std::fflush(log);
    atLineStart = out.back() == '\n';
    drawStatusLine();
}

void HeadlessSurfaces::setStatusText(int part, const std::string& value)
{
    if (part != 0 && part != 1)
        return;
    std::lock_guard<std::mutex> guard(lock);
    parts[part] = value;
    drawStatusLine();
}

void HeadlessSurfaces::fileFinished(const FileResult& result)
{
    std::lock_guard<std::mutex> guard(lock);
    files.add(result);
    ++counts.finished;
    // A file whose tool was ended before it finished had that step undone: a re-run redoes it.
    if (result.status == FileStatus::Stopped ||
        std::any_of(result.steps.begin(), result.steps.end(),
                    [](const StepResult& step) { return step.interrupted; }))
        ++counts.stopped;
    if (result.sizeBefore >= 0 && result.sizeAfter >= 0)
        counts.savedBytes += result.sizeBefore - result.sizeAfter;
    drawStatusLine();
    if (json) {
        const std::string line = fileResultJson(result) + "\n";
        std::fwrite(line.data(), 1, line.size(), json);
        std::fflush(json);
    }
}

void HeadlessSurfaces::filesFound(std::uint64_t count)
{
    std::lock_guard<std::mutex> guard(lock);
    counts.found += count;
}

void HeadlessSurfaces::allPathsTaken()
{
    std::lock_guard<std::mutex> guard(lock);
    counts.allFound = true;
}

void HeadlessSurfaces::showProgress(std::chrono::milliseconds every)
{
    std::lock_guard<std::mutex> guard(lock);
    progressShown = true;
    interval = every;
    started = std::chrono::steady_clock::now();
    lastDrawn = started;
}

void HeadlessSurfaces::keepLogText(bool keep)
{
    std::lock_guard<std::mutex> guard(lock);
    keepText = keep;
}

void HeadlessSurfaces::notice(std::FILE* stream, const std::string& line)
{
    std::lock_guard<std::mutex> guard(lock);
    eraseStatusLine();
    std::fputs((line + "\n").c_str(), stream);
    std::fflush(stream);
}

FileProgress HeadlessSurfaces::progress() const
{
    std::lock_guard<std::mutex> guard(lock);
    return counts;
}

void HeadlessSurfaces::setJsonStream(std::FILE* stream)
{
    std::lock_guard<std::mutex> guard(lock);
    json = stream;
}

RunTally HeadlessSurfaces::tally() const
{
    std::lock_guard<std::mutex> guard(lock);
    return files;
}

void HeadlessSurfaces::finishStatusLine()
{
    std::lock_guard<std::mutex> guard(lock);
    if (progressShown) {
        eraseStatusLine();
        progressShown = false;
        if (log && !heldBack.empty()) {
            std::fwrite(heldBack.data(), 1, heldBack.size(), log);
            std::fflush(log);
            heldBack.clear();
        }
        return;
    }
    if (status && statusShown) {
        std::fputs("\n", status);
        std::fflush(status);
        statusShown = false;
    }
}

std::string HeadlessSurfaces::logText() const
{
    std::lock_guard<std::mutex> guard(lock);
    return text;
}

std::string HeadlessSurfaces::statusText(int part) const
{
    std::lock_guard<std::mutex> guard(lock);
    return part == 0 || part == 1 ? parts[part] : std::string();
}

void HeadlessSurfaces::eraseStatusLine()
{
    if (!status || !statusShown)
        return;
    std::fputs("\r\033[K", status);
    std::fflush(status);
    statusShown = false;
}

void HeadlessSurfaces::drawStatusLine()
{
    // Drawn only between log lines, so it never lands in the middle of one.
    if (!status || !atLineStart)
        return;
    if (progressShown) {
        // New figures at most once an interval; the last ones come back at once after a log
        // line took their place.
        const auto now = std::chrono::steady_clock::now();
        std::string line = shownProgress;
        if (now - lastDrawn >= interval) {
            lastDrawn = now;
            const std::chrono::duration<double> seconds = now - started;
            line = progressText(counts, seconds.count());
        }
        if (line.empty() || (statusShown && line == shownProgress))
            return;
        shownProgress = line;
        std::fputs(("\r\033[K" + line).c_str(), status);
        std::fflush(status);
        statusShown = true;
        return;
    }
    if (parts[0].empty() && parts[1].empty())
        return;
    std::string line = "\r\033[K" + parts[0];
    if (!parts[0].empty() && !parts[1].empty())
        line += "  ";
    line += parts[1];
    std::fputs(line.c_str(), status);
    std::fflush(status);
    statusShown = true;
}
