#include "app/run_report.h"

#include <cstdio>

namespace {

// The length of the valid UTF-8 sequence starting at text[i], or 0 when none starts there.
std::size_t utf8SequenceLength(const std::string& text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // no overlong forms
        if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F; // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (i + length > text.size() || byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
            return 0;
    return length;
}

std::string hex4(unsigned value)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\u%04X", value & 0xFFFF);
    return buffer;
}

const char* boolText(bool value)
{
    return value ? "true" : "false";
}

} // namespace

void RunTally::add(const FileResult& result)
{
    ++files;
    switch (result.status) {
    case FileStatus::Processed:
        ++processed;
        break;
    case FileStatus::Skipped:
        ++skipped;
        break;
    case FileStatus::Stopped:
        ++stopped;
        break;
    case FileStatus::Failed:
        ++failed;
        break;
    }
}

int exitStatusFor(JobOutcome outcome, const RunTally& tally, bool interrupted)
{
    if (outcome == JobOutcome::PathMissing || outcome == JobOutcome::UnsupportedFile)
        return 2;
    if (interrupted)
        return 130;
    if (outcome == JobOutcome::BackupFailed || tally.failed > 0)
        return 1;
    return 0;
}

std::string jsonString(const std::string& bytes)
{
    std::string out = "\"";
    out.reserve(bytes.size() + 2);
    for (std::size_t i = 0; i < bytes.size();) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x80) {
            const std::size_t length = utf8SequenceLength(bytes, i);
            if (length == 0) {
                out += hex4(0xDC00 + c);
                ++i;
            } else {
                out.append(bytes, i, length);
                i += length;
            }
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7F)
                out += hex4(c);
            else
                out += static_cast<char>(c);
        }
        ++i;
    }
    out += '"';
    return out;
}

std::string fileResultJson(const FileResult& result)
{
    std::string out = "{\"path\":" + jsonString(result.path);
    out += ",\"size_before\":" + std::to_string(result.sizeBefore);
    out += ",\"size_after\":" + std::to_string(result.sizeAfter);
    out += ",\"steps\":[";
    for (std::size_t i = 0; i < result.steps.size(); ++i) {
        const StepResult& step = result.steps[i];
        if (i > 0)
            out += ',';
        out += "{\"name\":" + jsonString(step.name);
        out += ",\"size_before\":" + std::to_string(step.sizeBefore);
        out += ",\"size_after\":" + std::to_string(step.sizeAfter);
        out += ",\"undone\":";
        out += boolText(step.undone);
        out += ",\"reason\":" + jsonString(step.reason) + "}";
    }
    out += "],\"status\":";
    out += jsonString(fileStatusName(result.status));
    out += '}';
    return out;
}

std::string summaryJson(const RunTally& tally, std::int64_t bytesSaved, int exitStatus)
{
    return "{\"files\":" + std::to_string(tally.files) +
           ",\"processed\":" + std::to_string(tally.processed) +
           ",\"skipped\":" + std::to_string(tally.skipped) +
           ",\"stopped\":" + std::to_string(tally.stopped) +
           ",\"failed\":" + std::to_string(tally.failed) +
           ",\"bytes_saved\":" + std::to_string(bytesSaved) +
           ",\"exit_status\":" + std::to_string(exitStatus) + "}";
}
