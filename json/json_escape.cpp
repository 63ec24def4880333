#include "json/json_escape.h"

#include <cstdint>

namespace {

// Bytes that are not hexadecimal digits still give a value, by the same arithmetic as digits.
std::uint8_t hexValue(char c)
{
    auto b = static_cast<std::uint8_t>(c);
    if (b >= '0' && b <= '9')
        return static_cast<std::uint8_t>(b - '0');
    if (b >= 0x3A && b <= 0x60)
        return static_cast<std::uint8_t>(b - 55);
    return static_cast<std::uint8_t>(b - 87);
}

char hexByte(char high, char low)
{
    return static_cast<char>(static_cast<std::uint8_t>((hexValue(high) << 4) | hexValue(low)));
}

char octalByte(char d1, char d2, char d3)
{
    auto digit = [](char c) {
        return static_cast<std::uint32_t>(static_cast<std::uint8_t>(c)) - '0';
    };
    return static_cast<char>(
        static_cast<std::uint8_t>((digit(d1) * 64) | (digit(d2) * 8) | digit(d3)));
}

// The length of the valid UTF-8 sequence starting at text[i], or 0 when none starts there.
std::size_t utf8SequenceLength(std::string_view text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
    const std::uint8_t lead = byte(i);
    std::size_t length = 0;
    std::uint8_t low = 0x80, high = 0xBF; // the range of the second byte
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

void appendUnicodeEscape(std::string& out, unsigned code)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += digits[(code >> shift) & 0x0F];
}

} // namespace

std::string unescapeJson(std::string_view body)
{
    std::string out;
    out.reserve(body.size());
    const std::size_t n = body.size();
    std::size_t i = 0;
    while (i < n) {
        char c = body[i];
        if (c != '\\') {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 >= n)
            break;
        const std::size_t left = n - (i + 1); // bytes after the backslash
        char e = body[i + 1];
        switch (e) {
        case '\x01':
            out += '"';
            break;
        case '\'':
            out += '\'';
            break;
        case '/':
            out += '/';
            break;
        case '\\':
            out += '\\';
            break;
        case 'b':
            out += '\x08';
            break;
        case 'f':
            out += '\x0C';
            break;
        case 'n':
            out += '\x0A';
            break;
        case 'r':
            out += '\x0D';
            break;
        case 't':
            out += '\x09';
            break;
        case 'v':
            out += '\x0B';
            break;
        case 'x':
            if (left < 3)
                return out;
            out += hexByte(body[i + 2], body[i + 3]);
            i += 4;
            continue;
        case 'u':
            // Only the low byte of the code is kept; the two high digits are ignored.
            if (left < 5)
                return out;
            out += hexByte(body[i + 4], body[i + 5]);
            i += 6;
            continue;
        default:
            if (e >= '0' && e <= '9') {
                if (left < 3)
                    return out;
                out += octalByte(e, body[i + 2], body[i + 3]);
                i += 4;
                continue;
            }
            break; // unknown escape, a real quote included: dropped with its letter
        }
        i += 2;
    }
    return out;
}

std::string escapeJson(std::string_view value)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(value.size() + value.size() / 4);
    for (char c : value) {
        switch (c) {
        case '\x08':
            out += "\\b";
            break;
        case '\x09':
            out += "\\t";
            break;
        case '\x0A':
            out += "\\n";
            break;
        case '\x0B':
            out += "\\v";
            break;
        case '\x0C':
            out += "\\f";
            break;
        case '\x0D':
            out += "\\r";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\'':
            out += "\\'";
            break;
        case '/':
            out += "\\/";
            break;
        case '\\':
            out += "\\\\";
            break;
        default: {
            auto b = static_cast<std::uint8_t>(c);
            if (b < 0x20 || b >= 0x7F) {
                out += "\\u00";
                out += digits[b >> 4];
                out += digits[b & 0x0F];
            } else {
                out += c;
            }
        }
        }
    }
    return out;
}

std::string escapeJsonStandard(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size();) {
        const auto b = static_cast<std::uint8_t>(value[i]);
        if (b >= 0x80) {
            const std::size_t length = utf8SequenceLength(value, i);
            if (length == 0) {
                appendUnicodeEscape(out, 0xDC00u + b);
                ++i;
            } else {
                out.append(value.substr(i, length));
                i += length;
            }
            continue;
        }
        switch (b) {
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
            if (b < 0x20 || b == 0x7F)
                appendUnicodeEscape(out, b);
            else
                out += static_cast<char>(b);
        }
        ++i;
    }
    return out;
}
