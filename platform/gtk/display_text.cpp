#include "platform/gtk/display_text.h"

namespace gtkdisplay {
namespace {

// Length of the UTF-8 sequence a lead byte starts, 0 for a byte that cannot start one.
std::size_t sequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// Whether bytes[at, at + length) is a well-formed sequence (no overlong forms, no surrogates,
// nothing beyond U+10FFFF).
bool wellFormed(std::string_view bytes, std::size_t at, std::size_t length)
{
    if (at + length > bytes.size())
        return false;
    auto lead = static_cast<unsigned char>(bytes[at]);
    for (std::size_t i = 1; i < length; ++i)
        if (!isContinuation(static_cast<unsigned char>(bytes[at + i])))
            return false;
    if (length < 3)
        return true;
    auto second = static_cast<unsigned char>(bytes[at + 1]);
    if (lead == 0xE0 && second < 0xA0)
        return false;
    if (lead == 0xED && second > 0x9F)
        return false;
    if (lead == 0xF0 && second < 0x90)
        return false;
    if (lead == 0xF4 && second > 0x8F)
        return false;
    return true;
}

void appendLatin1(std::string& out, unsigned char byte)
{
    out += static_cast<char>(0xC0 | (byte >> 6));
    out += static_cast<char>(0x80 | (byte & 0x3F));
}

} // namespace

std::string toDisplayText(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    std::size_t at = 0;
    while (at < bytes.size()) {
        auto byte = static_cast<unsigned char>(bytes[at]);
        std::size_t length = sequenceLength(byte);
        if (length == 1 && byte != 0) {
            out += static_cast<char>(byte);
            ++at;
        } else if (length > 1 && wellFormed(bytes, at, length)) {
            out.append(bytes.substr(at, length));
            at += length;
        } else if (byte == 0) {
            ++at; // GTK stops at a zero byte; drop it
        } else {
            appendLatin1(out, byte);
            ++at;
        }
    }
    return out;
}

std::size_t completePrefixLength(std::string_view bytes)
{
    std::size_t size = bytes.size();
    // Look back at most three bytes for a lead byte whose sequence runs past the end.
    for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
        auto byte = static_cast<unsigned char>(bytes[size - back]);
        if (isContinuation(byte))
            continue;
        std::size_t length = sequenceLength(byte);
        if (length > back) {
            // Cut off only if what is there so far could still become a valid sequence.
            for (std::size_t i = 1; i < back; ++i)
                if (!isContinuation(static_cast<unsigned char>(bytes[size - back + i])))
                    return size;
            return size - back;
        }
        return size;
    }
    return size;
}

std::string toMnemonicLabel(std::string_view label)
{
    std::string out;
    out.reserve(label.size() + 2);
    for (std::size_t i = 0; i < label.size(); ++i) {
        char c = label[i];
        if (c == '&') {
            if (i + 1 < label.size() && label[i + 1] == '&') {
                out += '&';
                ++i;
            } else if (i + 1 < label.size()) {
                out += '_';
            }
        } else if (c == '_') {
            out += "__";
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace gtkdisplay
