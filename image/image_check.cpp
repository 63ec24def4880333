#include "image/image_check.h"

#include <algorithm>
#include <fstream>
#include <mutex>

#include "image/file_open.h"
#include "image/heap_reuse.h"
#include "image/kind_checks.h"

namespace {

// Enough for every format's magic, a PDF's header included.
constexpr std::size_t sniffLength = 1024;

enum class Content { empty, unreadable, unknown, known };

struct Sniffed {
    Content content = Content::unreadable;
    const FormatCheck* format = nullptr;
};

bool carries(const std::string& head, const FormatCheck& format)
{
    for (std::string_view magic : format.magic) {
        const std::string_view start(head.data(), std::min(head.size(), magic.size()));
        if (format.anywhere ? head.find(magic) != std::string::npos : start == magic)
            return true;
    }
    return false;
}

Sniffed sniff(const std::string& path)
{
    std::ifstream in(systemPath(path), std::ios::binary);
    if (!in)
        return {};
    std::string head(sniffLength, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    if (head.empty())
        return {in.bad() ? Content::unreadable : Content::empty, nullptr};
    for (const FormatCheck& format : formatChecks())
        if (carries(head, format))
            return {Content::known, &format};
    return {Content::unknown, nullptr};
}

} // namespace

CheckResult sameImage(const std::string& before, const std::string& after)
{
    static std::once_flag heapSet;
    std::call_once(heapSet, keepFreedCheckMemory);
    const Sniffed original = sniff(before);
    switch (original.content) {
    case Content::unreadable:
        return {false, "the original cannot be read"};
    case Content::empty:
        return {false, "the original is empty"};
    case Content::unknown:
        return {false, "no check for this kind"};
    case Content::known:
        break;
    }
    const Sniffed result = sniff(after);
    switch (result.content) {
    case Content::unreadable:
        return {false, "it cannot be read"};
    case Content::empty:
        return {false, "it is empty"};
    case Content::unknown:
        return {false, "it does not decode"};
    case Content::known:
        break;
    }
    if (result.format != original.format)
        return {false, "the file kind changed"};
    return original.format->same(before, after);
}
