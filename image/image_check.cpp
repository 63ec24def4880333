#include "image/image_check.h"

#include <cstring>
#include <fstream>

#include "image/file_open.h"
#include "image/kind_checks.h"

namespace {

enum class ImageKind { png, gif, tiff, jpeg, pdf, other };

// A PDF reader accepts its header anywhere in the first kilobyte.
constexpr std::size_t sniffLength = 1024;

enum class Content { empty, unreadable, unknown, known };

struct Sniffed {
    Content content = Content::unreadable;
    ImageKind kind = ImageKind::other;
};

bool startsWith(const std::string& head, const char* magic, std::size_t length)
{
    return head.size() >= length && std::memcmp(head.data(), magic, length) == 0;
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
        return {in.bad() ? Content::unreadable : Content::empty, ImageKind::other};
    if (startsWith(head, "\x89PNG\r\n\x1a\n", 8))
        return {Content::known, ImageKind::png};
    if (startsWith(head, "\xff\xd8\xff", 3))
        return {Content::known, ImageKind::jpeg};
    if (startsWith(head, "GIF87a", 6) || startsWith(head, "GIF89a", 6))
        return {Content::known, ImageKind::gif};
    // Classic TIFF and BigTIFF, either byte order.
    if (startsWith(head, "II*\0", 4) || startsWith(head, "MM\0*", 4) ||
        startsWith(head, "II+\0", 4) || startsWith(head, "MM\0+", 4))
        return {Content::known, ImageKind::tiff};
    if (head.find("%PDF-") != std::string::npos)
        return {Content::known, ImageKind::pdf};
    return {Content::unknown, ImageKind::other};
}

} // namespace

CheckResult sameImage(const std::string& before, const std::string& after)
{
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
    if (result.kind != original.kind)
        return {false, "the file kind changed"};
    switch (original.kind) {
    case ImageKind::png:
        return samePng(before, after);
    case ImageKind::jpeg:
        return sameJpeg(before, after);
    case ImageKind::gif:
        return sameGif(before, after);
    case ImageKind::tiff:
        return sameTiff(before, after);
    case ImageKind::pdf:
        return samePdf(before, after);
    case ImageKind::other:
        break;
    }
    return {false, "no check for this kind"};
}
