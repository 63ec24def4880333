#pragma once
// String escapes in both directions. Strings are byte strings; nothing is converted to or
// from a multi-byte encoding.

#include <string>
#include <string_view>

// Decodes the escapes of a string body without its quotes. Backslash plus 0x01 (the parser's
// mark for an escaped quote) gives a quote; an unknown escape gives nothing; an escape cut off
// by the end of the body gives nothing.
std::string unescapeJson(std::string_view body);

// Escapes a decoded value for output between quotes; the result holds only bytes 0x20-0x7E.
std::string escapeJson(std::string_view value);
