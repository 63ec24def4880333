// Reading a dropped text/uri-list into local paths.
#pragma once

#include <string_view>
#include <string>
#include <vector>

namespace gtkdisplay {

// The local paths of the file:// URIs in a text/uri-list (lines ending in CRLF or LF; "#" lines
// are comments), percent-decoded, in the order given. Other schemes and malformed URIs are
// skipped.
std::vector<std::string> localPathsFromUriList(std::string_view uriList);

} // namespace gtkdisplay
