#pragma once
// JSON text (comments allowed) to a jsonNode tree. Only the outermost brackets are checked;
// the contents are split one level at a time when the tree is read.

#include <cstddef>
#include <string>
#include <string_view>

#include "json/json_node.h"

// The position findTopLevel gives when the character is not there.
inline constexpr std::size_t jsonNotFound = static_cast<std::size_t>(-1);

// A new root for an array or object document, or null when the minified text does not begin
// with '[' or '{' and end with the matching ']' or '}'. The caller frees it with deleteNode.
jsonNode* parseDocument(std::string_view jsonText);

// Drops whitespace and comments outside strings and stores an escaped quote as backslash
// plus 0x01, so that skipping a string never stops at an escaped quote.
std::string minifyJson(std::string_view jsonText);

// Position of `wanted` at bracket and brace depth 0 at or after `start`, skipping quoted
// strings; jsonNotFound when the enclosing container ends first or the text does.
std::size_t findTopLevel(char wanted, std::string_view text, std::size_t start);

// Appends one unnamed child per element of an array text (brackets included).
void splitArray(jsonNode& node, std::string_view arrayText);

// Appends one named child per member of a minified object text (braces included).
void splitObject(jsonNode& node, std::string_view objectText);
