#include "support/fake_tool_script.h"

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/fake_image_command.h"

namespace {

struct Command {
    std::vector<std::string> words;
    std::string output; // after ">" or ">>"
    bool append = false;
    std::string next; // the operator after it: "&&", "||" or "" (";" or a newline)
};

class Parser {
public:
    Parser(const std::string& script, const std::vector<std::string>& arguments)
        : text(script), args(arguments)
    {}

    std::vector<Command> commands()
    {
        std::vector<Command> list;
        Command current;
        bool toOutput = false;
        while (true) {
            skipBlanks();
            if (at >= text.size() || text[at] == '\n' || text[at] == ';' || startsWith("&&") ||
                startsWith("||")) {
                if (at < text.size())
                    current.next = startsWith("&&") ? "&&" : startsWith("||") ? "||" : "";
                at += current.next.empty() ? 1 : 2;
                if (!current.words.empty())
                    list.push_back(current);
                current = Command();
                if (at > text.size())
                    return list;
                continue;
            }
            if (text[at] == '>') {
                ++at;
                current.append = at < text.size() && text[at] == '>';
                if (current.append)
                    ++at;
                toOutput = true;
                continue;
            }
            std::vector<std::string> words = word();
            if (toOutput) {
                current.output = words.empty() ? "" : words.front();
                toOutput = false;
            } else {
                current.words.insert(current.words.end(), words.begin(), words.end());
            }
        }
    }

private:
    bool startsWith(const char* token) const { return text.compare(at, 2, token) == 0; }

    void skipBlanks()
    {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
            ++at;
    }

    static bool ends(char c) { return c == ' ' || c == '\t' || c == '\n' || c == ';' || c == '>'; }

    // One word; "$@" unquoted or quoted gives one word per argument.
    std::vector<std::string> word()
    {
        std::vector<std::string> words;
        std::string current;
        bool any = false;
        while (at < text.size() && !ends(text[at]) && !startsWith("&&") && !startsWith("||")) {
            const char c = text[at++];
            any = true;
            if (c == '\'') {
                while (at < text.size() && text[at] != '\'')
                    current += text[at++];
                ++at;
            } else if (c == '"') {
                while (at < text.size() && text[at] != '"') {
                    if (text[at] == '$')
                        expand(current, words);
                    else
                        current += text[at++];
                }
                ++at;
            } else if (c == '$') {
                --at;
                expand(current, words);
            } else {
                current += c;
            }
        }
        if (any)
            words.push_back(current);
        return words;
    }

    // Expands the variable at `at` into current; "$@" ends current's word at each argument.
    void expand(std::string& current, std::vector<std::string>& words)
    {
        ++at;
        if (text.compare(at, 4, "FILE") == 0) {
            at += 4;
            current += args.empty() ? "" : args.back();
        } else if (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
            const std::size_t index = static_cast<std::size_t>(text[at++] - '0');
            current += index >= 1 && index <= args.size() ? args[index - 1] : "";
        } else if (at < text.size() && text[at] == '@') {
            ++at;
            for (std::size_t i = 0; i < args.size(); ++i) {
                current += args[i];
                if (i + 1 < args.size()) {
                    words.push_back(current);
                    current.clear();
                }
            }
        } else {
            current += '$';
        }
    }

    const std::string& text;
    const std::vector<std::string>& args;
    std::size_t at = 0;
};

bool isFakeImageProgram(const std::string& word)
{
    std::string name = std::filesystem::path(word).filename().string();
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0)
        name.resize(name.size() - 4);
    return name == "tarnwick_fake_image";
}

int run(const Command& command, std::ostream& err)
{
    const std::vector<std::string>& w = command.words;
    const std::vector<std::string> rest(w.begin() + 1, w.end());
    if (!command.output.empty() && w[0] != "cat") {
        // ": > FILE" empties FILE; the command's own output goes nowhere else.
        std::ofstream(command.output, command.append ? std::ios::binary | std::ios::app
                                                     : std::ios::binary | std::ios::trunc);
    }
    if (isFakeImageProgram(w[0]))
        return runFakeImageCommand(rest, err);
    if (w[0] == ":" || w[0] == "true")
        return 0;
    if (w[0] == "false")
        return 1;
    if (w[0] == "sleep" && rest.size() == 1) {
        std::this_thread::sleep_for(std::chrono::duration<double>(std::atof(rest[0].c_str())));
        return 0;
    }
    if (w[0] == "mv" && rest.size() == 2) {
        std::error_code error;
        std::filesystem::rename(rest[0], rest[1], error);
        return error ? 1 : 0;
    }
    if (w[0] == "cat" && !command.output.empty()) {
        std::string content;
        for (const std::string& path : rest) {
            std::ifstream in(path, std::ios::binary);
            if (!in)
                return 1;
            content.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        std::ofstream out(command.output, command.append ? std::ios::binary | std::ios::app
                                                         : std::ios::binary | std::ios::trunc);
        out << content;
        out.close();
        return out ? 0 : 1;
    }
    err << "fake tool: cannot run " << w[0] << "\n";
    return 127;
}

// Whether text matches a case pattern: "*" stands for any run of characters and "/" for either
// separator, so one pattern serves both systems' paths.
bool matches(const std::string& pattern, const std::string& text)
{
    if (pattern.empty())
        return text.empty();
    if (pattern[0] == '*') {
        for (std::size_t skip = 0; skip <= text.size(); ++skip)
            if (matches(pattern.substr(1), text.substr(skip)))
                return true;
        return false;
    }
    if (text.empty())
        return false;
    const bool same = pattern[0] == '/' ? text[0] == '/' || text[0] == '\\' : pattern[0] == text[0];
    return same && matches(pattern.substr(1), text.substr(1));
}

// "case WORD in PATTERN) COMMANDS;; ... esac" as the whole script: the commands of the first
// pattern WORD matches. False when script is no such statement.
bool runCase(const std::string& script, const std::vector<std::string>& arguments,
             std::ostream& err, int& status)
{
    const std::size_t in = script.find(" in ");
    const std::size_t end = script.rfind("esac");
    if (script.rfind("case ", 0) != 0 || in == std::string::npos || end == std::string::npos)
        return false;
    const std::vector<Command> subject = Parser(script.substr(5, in - 5), arguments).commands();
    const std::string word = subject.empty() ? "" : subject.front().words.front();
    std::size_t at = in + 4;
    status = 0;
    while (at < end) {
        const std::size_t close = script.find(')', at);
        const std::size_t stop = script.find(";;", close);
        if (close == std::string::npos || stop == std::string::npos)
            return true;
        std::string pattern = script.substr(at, close - at);
        pattern.erase(0, pattern.find_first_not_of(" \t\n"));
        const std::vector<Command> parsed = Parser(pattern, arguments).commands();
        if (matches(parsed.empty() ? "" : parsed.front().words.front(), word)) {
            status = runFakeToolScript(script.substr(close + 1, stop - close - 1), arguments, err);
            return true;
        }
        at = stop + 2;
    }
    return true;
}

} // namespace

int runFakeToolScript(const std::string& script, const std::vector<std::string>& arguments,
                      std::ostream& err)
{
    int status = 0;
    const std::size_t first = script.find_first_not_of(" \t\n");
    if (first != std::string::npos && runCase(script.substr(first), arguments, err, status))
        return status;
    std::string skipUnless; // after "&&" or "||" whose condition failed: skip one command
    for (const Command& command : Parser(script, arguments).commands()) {
        if (skipUnless.empty() && command.words.front() == "exit")
            return command.words.size() > 1 ? std::atoi(command.words[1].c_str()) : status;
        if (skipUnless.empty())
            status = run(command, err);
        if (command.next == "&&")
            skipUnless = status == 0 ? "" : "skip";
        else if (command.next == "||")
            skipUnless = status != 0 ? "" : "skip";
        else
            skipUnless.clear();
    }
    return status;
}
