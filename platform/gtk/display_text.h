// Text as GTK wants it: the layer's byte strings made valid UTF-8, and Win32 menu labels with
// their "&" mnemonic marks turned into GTK's "_" marks.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace gtkdisplay {

// Valid UTF-8 sequences are kept; every other byte is taken as a Latin-1 character, so file
// names in a legacy encoding still show instead of breaking the widget.
std::string toDisplayText(std::string_view bytes);

// The length of bytes without a UTF-8 sequence that is cut off at the end (at most 3 bytes), so
// a piece that ends in the middle of a character waits for the rest.
std::size_t completePrefixLength(std::string_view bytes);

// "&Options" -> "_Options", "&&" -> "&", "_" -> "__".
std::string toMnemonicLabel(std::string_view label);

} // namespace gtkdisplay
