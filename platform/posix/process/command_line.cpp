#include "platform/posix/process/command_line.h"

namespace posix_process {
namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::size_t skipBlanks(std::string_view text, std::size_t pos)
{
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    return pos;
}

} // namespace

CmdArgument splitProgramName(std::string_view line, std::size_t* restPos)
{
    CmdArgument name;
    std::size_t pos = skipBlanks(line, 0);
    bool inQuotes = false;
    while (pos < line.size() && (inQuotes || !isBlank(line[pos]))) {
        if (line[pos] == '"') {
            inQuotes = !inQuotes;
            name.quoted = true;
        } else {
            name.text += line[pos];
        }
        ++pos;
    }
    *restPos = skipBlanks(line, pos);
    return name;
}

std::vector<CmdArgument> splitArguments(std::string_view text)
{
    std::vector<CmdArgument> result;
    std::size_t pos = skipBlanks(text, 0);
    while (pos < text.size()) {
        CmdArgument arg;
        bool inQuotes = false;
        while (pos < text.size()) {
            std::size_t slashes = 0;
            while (pos < text.size() && text[pos] == '\\') {
                ++slashes;
                ++pos;
            }
            if (pos < text.size() && text[pos] == '"') {
                arg.text.append(slashes / 2, '\\');
                if (slashes % 2 == 1) {
                    arg.text += '"';
                    ++pos;
                } else if (inQuotes && pos + 1 < text.size() && text[pos + 1] == '"') {
                    arg.text += '"';
                    pos += 2;
                } else {
                    inQuotes = !inQuotes;
                    arg.quoted = true;
                    ++pos;
                }
                continue;
            }
            arg.text.append(slashes, '\\');
            if (pos >= text.size() || (!inQuotes && isBlank(text[pos])))
                break;
            arg.text += text[pos];
            ++pos;
        }
        result.push_back(std::move(arg));
        pos = skipBlanks(text, pos);
    }
    return result;
}

std::vector<CmdArgument> splitWindowsCommandLine(std::string_view line)
{
    std::size_t rest = 0;
    std::vector<CmdArgument> result;
    CmdArgument name = splitProgramName(line, &rest);
    if (name.text.empty() && !name.quoted)
        return result;
    result.push_back(std::move(name));
    for (CmdArgument& arg : splitArguments(line.substr(rest)))
        result.push_back(std::move(arg));
    return result;
}

} // namespace posix_process
