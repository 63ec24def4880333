#include "app/man_page.h"

#include <cctype>
#include <sstream>
#include <vector>

namespace {

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string withoutIndent(const std::string& line)
{
    const std::size_t first = line.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : line.substr(first);
}

std::size_t indentOf(const std::string& line)
{
    const std::size_t first = line.find_first_not_of(' ');
    return first == std::string::npos ? line.size() : first;
}

bool isHeading(const std::string& line)
{
    return !line.empty() && line.front() != ' ' && line.back() == ':';
}

std::string upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

std::string troffEscape(const std::string& text)
{
    std::string out;
    if (!text.empty() && (text.front() == '.' || text.front() == '\''))
        out += "\\&";
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    return out;
}

std::string manPage(const std::string& usage, const std::string& version)
{
    const std::vector<std::string> lines = linesOf(usage);
    std::string page = ".TH TARNWICK 1 \"\" \"Tarnwick " + version + "\" \"User Commands\"\n";
    page += ".SH NAME\ntarnwick \\- make images and executables smaller in place, losslessly\n";
    page += ".SH SYNOPSIS\n.nf\n";
    std::size_t i = 0;
    for (; i < lines.size() && !lines[i].empty(); ++i) {
        std::string line = lines[i];
        if (i == 0 && line.starts_with("Usage: "))
            line.erase(0, 7);
        page += troffEscape(withoutIndent(line)) + "\n";
    }
    page += ".fi\n.SH DESCRIPTION\n";

    std::size_t termIndent = std::string::npos; // the indent of the open tagged paragraph's term
    bool breakDue = false;       // an empty line ended a paragraph: the next text starts a new one
    bool sectionStarted = false; // the current section has text (no break before its first)
    for (; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.empty()) {
            termIndent = std::string::npos;
            breakDue = true;
            continue;
        }
        if (isHeading(line)) {
            page += ".SH " + troffEscape(upper(line.substr(0, line.size() - 1))) + "\n";
            termIndent = std::string::npos;
            breakDue = false;
            sectionStarted = false;
            continue;
        }
        const std::size_t indent = indentOf(line);
        const std::string text = withoutIndent(line);
        const std::size_t gap = text.find("  ");
        if (termIndent != std::string::npos && indent > termIndent + 2) {
            page += troffEscape(text) + "\n";
        } else if (indent > 0 && gap != std::string::npos) {
            page += ".TP\n\\fB" + troffEscape(text.substr(0, gap)) + "\\fR\n";
            page += troffEscape(withoutIndent(text.substr(gap))) + "\n";
            termIndent = indent;
        } else {
            if (breakDue && sectionStarted)
                page += ".PP\n";
            page += troffEscape(text) + "\n";
            termIndent = std::string::npos;
        }
        breakDue = false;
        sectionStarted = true;
    }
    return page;
}
