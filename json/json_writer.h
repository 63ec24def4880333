#pragma once
// A jsonNode tree back to text. Indentation -1 writes compact text (no whitespace, comments
// dropped, unexpanded subtrees as their stored raw text); 0 or more writes one child per line
// with tab indentation and CR LF line ends. Null, number and boolean nodes are always written
// as the raw text they were built from.

#include <cstdint>
#include <string>

#include "json/json_node.h"

// The indentation that asks toText for compact text.
constexpr std::int32_t compactText = -1;

// The node as text, standing at `indentation` (formatted) or compact for -1. Formatted
// writing expands arrays and objects; strings are never expanded by writing.
std::string toText(jsonNode& node, std::int32_t indentation);

// Compact standard JSON for other programs to read: as compact toText, but strings and member
// names are escaped with escapeJsonStandard (UTF-8 kept, other bytes restorable).
std::string toStandardText(jsonNode& node);

// toText with indentation 0.
std::string toFormattedText(jsonNode& node);

// The text between a container's brackets, for a container at `indentation`.
std::string writeChildren(jsonNode& node, std::int32_t indentation);

// A comment at `indentation` in formatted text: "//text", or a "/*" block when it spans lines.
std::string writeComment(const jsonNode& comment, std::int32_t indentation);
