// Splitting a command line the way the Windows C runtime builds argv.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace posix_process {

struct CmdArgument {
    std::string text;
    bool quoted = false; // a double quote took part in forming it (so it is never a switch)
};

// The program name at the start of a line, by the argv[0] rule: double quotes group and are
// dropped, backslashes are plain. *restPos is set to where the arguments begin.
CmdArgument splitProgramName(std::string_view line, std::size_t* restPos);

// Arguments by the C runtime's rules: blanks and tabs separate; double quotes group; 2n
// backslashes before a quote give n backslashes and the quote toggles grouping, 2n+1 give n and
// a literal quote; "" inside a group is a literal quote; other backslashes are plain.
std::vector<CmdArgument> splitArguments(std::string_view text);

// A whole line: the program name, then its arguments.
std::vector<CmdArgument> splitWindowsCommandLine(std::string_view line);

} // namespace posix_process
