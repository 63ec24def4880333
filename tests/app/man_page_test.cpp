// The manual page says what --help says, in troff that man renders as written.
#include "app/man_page.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "app/arguments.h"

namespace {

std::vector<std::string> wordsOf(const std::string& text)
{
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

// The words a reader sees below NAME: macro names, font changes and escapes taken out.
std::vector<std::string> shownWords(const std::string& page)
{
    std::string plain;
    std::istringstream in(page);
    bool inName = false;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with(".TH") || line.starts_with(".SH")) {
            inName = line == ".SH NAME";
            continue;
        }
        if (inName)
            continue;
        if (line.starts_with("."))
            line = line.find(' ') == std::string::npos ? "" : line.substr(line.find(' '));
        std::string out;
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] != '\\') {
                out += line[i];
                continue;
            }
            const char next = i + 1 < line.size() ? line[i + 1] : '\0';
            if (next == 'f') {
                i += 2; // \fB, \fR
            } else if (next == 'e') {
                out += '\\';
                ++i;
            } else if (next == '-') {
                out += '-';
                ++i;
            } else if (next == '&') {
                ++i;
            } else {
                ADD_FAILURE() << "unexpected escape in: " << line;
            }
        }
        plain += out + "\n";
    }
    return wordsOf(plain);
}

} // namespace

TEST(ManPage, ShowsEveryWordOfTheHelpTextInOrder)
{
    const std::string page = manPage(usageText(), "6.1");
    std::vector<std::string> expected;
    std::istringstream in(usageText());
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.front() != ' ' && line.back() == ':')
            continue; // a heading: the page's section names
        for (const std::string& word : wordsOf(line))
            if (word != "Usage:")
                expected.push_back(word);
    }
    const std::vector<std::string> shown = shownWords(page);
    EXPECT_EQ(shown, expected);
}

TEST(ManPage, HasTheSectionsAndTaggedEntriesOfTheHelpText)
{
    const std::string page = manPage(usageText(), "6.1");
    EXPECT_TRUE(page.starts_with(".TH TARNWICK 1 \"\" \"Tarnwick 6.1\" \"User Commands\"\n"));
    for (const char* part :
         {".SH NAME\ntarnwick \\- ", ".SH SYNOPSIS\n.nf\ntarnwick PATH\n", ".fi\n.SH DESCRIPTION\n",
          ".SH OPTIONS\n.TP\n\\fB\\-\\-json\\fR\n", ".TP\n\\fB\\-\\-open PATH...\\fR\n",
          ".TP\n\\fB\\-\\-tools\\fR\n", ".SH EXIT STATUS\n.TP\n\\fB0\\fR\n", ".TP\n\\fB1\\fR\n",
          ".TP\n\\fB2\\fR\n", ".TP\n\\fB130\\fR\n", ".SH SETTINGS FILE\n"})
        EXPECT_NE(page.find(part), std::string::npos) << part;
}

TEST(ManPage, EscapesWhatTroffWouldTakeAsCommands)
{
    EXPECT_EQ(troffEscape("a-b\\c"), "a\\-b\\ec");
    EXPECT_EQ(troffEscape(".not a macro"), "\\&.not a macro");
    EXPECT_EQ(troffEscape("'not a macro"), "\\&'not a macro");
    EXPECT_EQ(troffEscape("in.the 'middle"), "in.the 'middle");

    const std::string page = manPage("Usage: x -y\n\nText\n.dot\n\nMore:\n  -z   a\\b\n", "1");
    EXPECT_NE(page.find(".nf\nx \\-y\n.fi\n.SH DESCRIPTION\nText\n\\&.dot\n.SH MORE\n.TP\n"
                        "\\fB\\-z\\fR\na\\eb\n"),
              std::string::npos)
        << page;
}
