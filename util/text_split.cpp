#include "util/text_split.h"

void splitCommandLine(std::string_view text, std::vector<std::string>& result)
{
    std::size_t cursor = 0;
    for (;;) {
        const std::size_t open = text.find_first_not_of(' ', cursor);
        if (open == std::string_view::npos)
            return;
        const bool quoted = text[open] == '"';
        const std::size_t end = text.find(quoted ? '"' : ' ', open + 1);
        if (end == std::string_view::npos) {
            // An unterminated quote keeps its opening quote and runs to the end.
            result.emplace_back(text.substr(open));
            return;
        }
        if (quoted)
            result.emplace_back(text.substr(open + 1, end - open - 1));
        else
            result.emplace_back(text.substr(open, end - open));
        cursor = end + 1;
    }
}

void splitOnChar(std::string_view text, std::vector<std::string>& result, char delimiter)
{
    std::size_t begin = text.find_first_not_of(delimiter);
    while (begin != std::string_view::npos) {
        const std::size_t end = text.find(delimiter, begin);
        if (end == std::string_view::npos) {
            result.emplace_back(text.substr(begin));
            return;
        }
        result.emplace_back(text.substr(begin, end - begin));
        begin = text.find_first_not_of(delimiter, end);
    }
}
