#include "json/json_number.h"

#include <charconv>
#include <cstddef>
#include <limits>
#include <system_error>

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c, bool hex)
{
    if (c >= '0' && c <= '9')
        return true;
    return hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
}

// from_chars reports out of range without a value; strtod gives infinity for too large and
// zero for too small. Tell them apart by the position of the first significant digit plus the
// exponent, both in the digit base of the text.
bool tooLarge(std::string_view digits, bool hex)
{
    long long magnitude = 0;
    std::size_t i = 0;
    while (i < digits.size() && digits[i] == '0')
        ++i;
    if (i < digits.size() && isDigit(digits[i], hex)) {
        while (i < digits.size() && isDigit(digits[i], hex))
            ++i, ++magnitude;
    }
    if (i < digits.size() && digits[i] == '.') {
        ++i;
        if (magnitude == 0) {
            while (i < digits.size() && digits[i] == '0')
                ++i, --magnitude;
        }
        while (i < digits.size() && isDigit(digits[i], hex))
            ++i;
    }
    if (i < digits.size()) {
        char mark = digits[i];
        if ((!hex && (mark == 'e' || mark == 'E')) || (hex && (mark == 'p' || mark == 'P'))) {
            ++i;
            bool negative = false;
            if (i < digits.size() && (digits[i] == '+' || digits[i] == '-'))
                negative = digits[i++] == '-';
            long long exponent = 0;
            while (i < digits.size() && digits[i] >= '0' && digits[i] <= '9') {
                if (exponent < 1000000000LL)
                    exponent = exponent * 10 + (digits[i] - '0');
                ++i;
            }
            magnitude += negative ? -exponent : exponent;
        }
    }
    return magnitude > 0;
}

} // namespace

float numberFromText(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::string_view rest = text.substr(i);

    bool hex = rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X');
    std::string_view digits = hex ? rest.substr(2) : rest;
    // Without any number the result is plain zero; after "0x" the zero itself was read, so a
    // minus sign counts. A sign after the prefix is not part of a number (from_chars would take
    // a minus there).
    const double nothingRead = hex && negative ? -0.0 : 0.0;
    if (!digits.empty() && (digits[0] == '-' || digits[0] == '+'))
        return static_cast<float>(nothingRead);

    double value = 0.0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                        hex ? std::chars_format::hex : std::chars_format::general);
    (void)end;
    if (error == std::errc::invalid_argument)
        return static_cast<float>(nothingRead);
    if (error == std::errc::result_out_of_range) {
        value = tooLarge(digits, hex) ? std::numeric_limits<double>::infinity() : 0.0;
    }
    if (negative)
        value = -value;

    // Narrowing a double beyond the float range is undefined; from halfway between the largest
    // float and 2^128 on, IEEE rounding would give infinity, so give it explicitly.
    constexpr double roundsToInfinity = 0x1.ffffffp+127;
    if (value >= roundsToInfinity)
        return std::numeric_limits<float>::infinity();
    if (value <= -roundsToInfinity)
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}
