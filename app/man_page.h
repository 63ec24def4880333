// The manual page, made from the --help text so the two never disagree.
#pragma once

#include <string>

// Text made safe for troff: "\" becomes "\e", "-" becomes "\-", and a line starting with "." or
// "'" gets "\&" in front.
std::string troffEscape(const std::string& text);

// A man(7) page for section 1. The usage text's first block (up to an empty line, "Usage: "
// dropped) is the SYNOPSIS, the paragraphs after it the DESCRIPTION; a line "Heading:" starts a
// section named HEADING; an indented "TERM  text" line starts a tagged paragraph that the
// deeper indented lines below it continue; other indented lines are plain text.
std::string manPage(const std::string& usage, const std::string& version);
