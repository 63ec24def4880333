#include "app/headless_surfaces.h"

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
    if (keeping)
        text += piece;
    if (!log)
        return;
    const std::string out = toTerminalLineEnds(piece, pendingReturn);
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
    if (json) {
        const std::string line = fileResultJson(result) + "\n";
        std::fwrite(line.data(), 1, line.size(), json);
        std::fflush(json);
    }
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
    if (status && statusShown) {
        std::fputs("\n", status);
        std::fflush(status);
        statusShown = false;
    }
}

void HeadlessSurfaces::keepLog(bool keep)
{
    std::lock_guard<std::mutex> guard(lock);
    keeping = keep;
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
    if (!status || !atLineStart || (parts[0].empty() && parts[1].empty()))
        return;
    std::string line = "\r\033[K" + parts[0];
    if (!parts[0].empty() && !parts[1].empty())
        line += "  ";
    line += parts[1];
    std::fputs(line.c_str(), status);
    std::fflush(status);
    statusShown = true;
}
