#include "util/strings.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

namespace {

bool isAsciiLetter(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// a is a text byte, b the pattern's byte.
bool bytesMatchNoCase(unsigned char a, unsigned char b)
{
    return a == b || (isAsciiLetter(b) && (a ^ 0x20) == b);
}

bool matchesAt(std::string_view text, std::string_view needle, std::size_t at)
{
    for (std::size_t i = 0; i < needle.size(); ++i) {
        if (!bytesMatchNoCase(static_cast<unsigned char>(text[at + i]),
                              static_cast<unsigned char>(needle[i])))
            return false;
    }
    return true;
}

// Bytes 0x80-0xFF are letters of names in UTF-8 and Latin-1 texts, so they are never blank.
bool isBlank(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

bool isCSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

template <typename Result> Result parseNumber(std::string_view text)
{
    using Unsigned = std::make_unsigned_t<Result>;
    if (text.size() >= 2 && text[0] == '0' && text[1] == 'x') {
        // Unvalidated on purpose: each byte is taken for a digit and overflow wraps.
        Unsigned value = 0;
        for (std::size_t i = 2; i < text.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(text[i]);
            const Unsigned digit = c <= '9'  ? Unsigned(c) - '0'
                                   : c > 'F' ? Unsigned(c) - 87
                                             : Unsigned(c) - 55;
            value = static_cast<Unsigned>(value << 4) | digit;
        }
        return static_cast<Result>(value);
    }
    std::size_t i = 0;
    while (i < text.size() && isCSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate as a negative number, whose range is the larger one.
    constexpr Result lowest = std::numeric_limits<Result>::min();
    Result value = 0;
    bool overflow = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (value < (lowest + digit) / 10) {
            overflow = true;
            break;
        }
        value = static_cast<Result>(value * 10 - digit);
    }
    if (overflow)
        return negative ? lowest : std::numeric_limits<Result>::max();
    if (negative)
        return value;
    return value == lowest ? std::numeric_limits<Result>::max() : static_cast<Result>(-value);
}

} // namespace

bool endsWith(std::string_view text, const char* suffix, std::size_t suffixLength)
{
    if (suffix == nullptr || std::strlen(suffix) != suffixLength)
        return false;
    return endsWith(text, std::string_view(suffix, suffixLength));
}

bool endsWith(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

void toLowerInPlace(std::string& text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + ('a' - 'A'));
    }
}

void toUpperInPlace(std::string& text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - ('a' - 'A'));
    }
}

std::string toLowerCopy(std::string_view text)
{
    std::string copy(text);
    toLowerInPlace(copy);
    return copy;
}

std::string numberToText(double value, int decimals)
{
    // A stream treats a negative precision as the default, 6.
    if (decimals < 0)
        decimals = 6;
    // to_chars, unlike printf, ignores the C locale that a display library may have switched to
    // one with a decimal comma; a stream in the classic locale writes a point, too.
    std::string text(static_cast<std::size_t>(decimals) + 330, '\0');
    const auto written = std::to_chars(text.data(), text.data() + text.size(), value,
                                       std::chars_format::fixed, decimals);
    text.resize(static_cast<std::size_t>(written.ptr - text.data()));
    return text;
}

std::string intToText(std::int32_t value)
{
    return std::to_string(value);
}

std::string unsignedToText(std::uint32_t value)
{
    return std::to_string(value);
}

bool equalsNoCase(std::string_view text, std::string_view other)
{
    return text.size() == other.size() && matchesAt(text, other, 0);
}

std::size_t findNoCase(std::string_view text, std::string_view needle, std::size_t start)
{
    if (needle.empty())
        return notFound;
    for (std::size_t p = start; p < text.size(); ++p) {
        if (text.size() - p < needle.size())
            return notFound;
        if (matchesAt(text, needle, p))
            return p;
    }
    return notFound;
}

std::size_t rfindNoCase(std::string_view text, std::string_view needle, std::size_t start)
{
    if (needle.empty() || needle.size() > text.size())
        return notFound;
    // Positions from which the needle would run past the end cannot match, but earlier ones can.
    for (std::size_t p = std::min(start, text.size() - needle.size());; --p) {
        if (matchesAt(text, needle, p))
            return p;
        if (p == 0)
            return notFound;
    }
}

namespace {

std::size_t findCase(std::string_view text, std::string_view needle, std::size_t start)
{
    return text.find(needle, start);
}

using Finder = std::size_t (*)(std::string_view, std::string_view, std::size_t);

void replaceFirstWith(Finder find, std::string& text, std::string_view search,
                      std::string_view replacement, std::size_t start)
{
    if (search.empty() || start > text.size())
        return;
    const std::size_t at = find(text, search, start);
    if (at != notFound)
        text.replace(at, search.size(), replacement);
}

void replaceAllWith(Finder find, std::string& text, std::string_view search,
                    std::string_view replacement, std::size_t start)
{
    if (search.empty() || start > text.size())
        return;
    std::size_t at = find(text, search, start);
    if (at == notFound)
        return;
    std::string result;
    result.reserve(text.size());
    std::size_t copied = 0;
    while (at != notFound) {
        result.append(text, copied, at - copied);
        result.append(replacement);
        copied = at + search.size();
        at = find(text, search, copied);
    }
    result.append(text, copied, std::string::npos);
    text = std::move(result);
}

} // namespace

void replaceFirst(std::string& text, std::string_view search, std::string_view replacement,
                  std::size_t start)
{
    replaceFirstWith(&findCase, text, search, replacement, start);
}

void replaceAll(std::string& text, std::string_view search, std::string_view replacement,
                std::size_t start)
{
    replaceAllWith(&findCase, text, search, replacement, start);
}

void replaceFirstNoCase(std::string& text, std::string_view search, std::string_view replacement,
                        std::size_t start)
{
    replaceFirstWith(&findNoCase, text, search, replacement, start);
}

void replaceAllNoCase(std::string& text, std::string_view search, std::string_view replacement,
                      std::size_t start)
{
    replaceAllWith(&findNoCase, text, search, replacement, start);
}

std::string leftPart(std::string_view text, std::size_t n)
{
    return std::string(text.substr(0, n));
}

std::string rightPart(std::string_view text, std::size_t n)
{
    return std::string(text.substr(text.size() - std::min(n, text.size())));
}

void trimLeft(std::string& text)
{
    const auto first = std::find_if_not(text.begin(), text.end(), isBlank);
    text.erase(text.begin(), first);
}

void trimRight(std::string& text)
{
    const auto last = std::find_if_not(text.rbegin(), text.rend(), isBlank);
    text.erase(last.base(), text.end());
}

void trim(std::string& text)
{
    trimRight(text);
    trimLeft(text);
}

void reverseText(std::string& text)
{
    std::reverse(text.begin(), text.end());
}

std::int32_t textToInt(std::string_view text)
{
    return parseNumber<std::int32_t>(text);
}

std::int64_t textToInt64(std::string_view text)
{
    return parseNumber<std::int64_t>(text);
}
