// Byte-string helpers. Case rules cover the ASCII letters only; operations that change a text
// work in place, the others return a new string.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::size_t notFound = std::string::npos;

// True when text ends with the first suffixLength bytes of suffix and suffix is exactly that long.
bool endsWith(std::string_view text, const char* suffix, std::size_t suffixLength);
bool endsWith(std::string_view text, std::string_view suffix);
bool startsWith(std::string_view text, std::string_view prefix);

void toLowerInPlace(std::string& text);
void toUpperInPlace(std::string& text);
std::string toLowerCopy(std::string_view text);

// Fixed notation with exactly decimals digits after the point, as an output stream writes it with
// std::fixed and that precision; never thousands separators.
std::string numberToText(double value, int decimals);
std::string intToText(std::int32_t value);
std::string unsignedToText(std::uint32_t value);

bool equalsNoCase(std::string_view text, std::string_view other);
// First position >= start where needle matches ignoring case; notFound for an empty needle.
std::size_t findNoCase(std::string_view text, std::string_view needle, std::size_t start = 0);
// Last position <= start where the whole needle matches ignoring case.
std::size_t rfindNoCase(std::string_view text, std::string_view needle,
                        std::size_t start = notFound);

// The replace operations change only what lies at or after start; an empty search text changes
// nothing. Replacing never looks inside an inserted replacement.
void replaceFirst(std::string& text, std::string_view search, std::string_view replacement,
                  std::size_t start = 0);
void replaceAll(std::string& text, std::string_view search, std::string_view replacement,
                std::size_t start = 0);
void replaceFirstNoCase(std::string& text, std::string_view search, std::string_view replacement,
                        std::size_t start = 0);
void replaceAllNoCase(std::string& text, std::string_view search, std::string_view replacement,
                      std::size_t start = 0);

std::string leftPart(std::string_view text, std::size_t n);
std::string rightPart(std::string_view text, std::size_t n);

// Blank bytes are the space and the control bytes 0-31.
void trim(std::string& text);
void trimLeft(std::string& text);
void trimRight(std::string& text);
void reverseText(std::string& text);

// Hexadecimal after a lower-case "0x" (unvalidated, wrapping), else leading blanks, a sign and
// decimal digits; decimal values out of range saturate.
std::int32_t textToInt(std::string_view text);
std::int64_t textToInt64(std::string_view text);
