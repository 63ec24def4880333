#pragma once
// The value of a JSON number text, read the way the C library's atof reads it in the "C"
// locale: the longest prefix that forms a number, 0 when none does. The program's display
// sets the user's locale, in which atof itself could take "1.5" for 1.

#include <string_view>

// The number at the start of `text`, narrowed to single precision.
float numberFromText(std::string_view text);
