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

// Escapes a value for standard JSON between quotes, for other programs to read. Valid UTF-8 is
// kept as it is; quote, backslash, \n, \r and \t by their letters, other control bytes and DEL
// as \u00XX; a byte that is not part of valid UTF-8 becomes \uDC80-\uDCFF (the byte plus 0xDC00),
// so a value that is not UTF-8 still gives valid JSON from which its bytes can be restored.
std::string escapeJsonStandard(std::string_view value);
