#include "support/recording_surfaces.h"

void RecordingSurfaces::append(const std::string& piece)
{
    std::lock_guard<std::mutex> guard(lock);
    text += piece;
}

void RecordingSurfaces::setStatusText(int part, const std::string& value)
{
    std::lock_guard<std::mutex> guard(lock);
    history[part].push_back(value);
}

std::string RecordingSurfaces::log() const
{
    std::lock_guard<std::mutex> guard(lock);
    return text;
}

std::vector<std::string> RecordingSurfaces::statusHistory(int part) const
{
    std::lock_guard<std::mutex> guard(lock);
    return history[part];
}

std::string RecordingSurfaces::status(int part) const
{
    std::lock_guard<std::mutex> guard(lock);
    return history[part].empty() ? std::string() : history[part].back();
}

std::string logLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}
