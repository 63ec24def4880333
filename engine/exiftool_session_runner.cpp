#include "engine/exiftool_session_runner.h"

#include <filesystem>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "engine/tool_runner.h"
#include "platform/kept_tool.h"

namespace {

using std::chrono::milliseconds;

// How often a waiting file looks at its time limit and the abort flag, as a single run does.
constexpr milliseconds pollSlice{50};
// How long a session may take to end by itself once told to.
constexpr milliseconds endGrace{2000};

bool isNameCharacter(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    return u >= 0x80 || c == '-' || c == ':' || c == '_' || (c >= '0' && c <= '9') ||
           (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Whether exiftool would change a plain line: it drops leading blanks, ignores empty lines and
// lines starting with "#", and tidies blanks around "=" after an option name.
bool plainLineChanges(const std::string& argument)
{
    if (argument.empty() || argument.front() == '#' ||
        std::isspace(static_cast<unsigned char>(argument.front())))
        return true;
    if (argument.find_first_of("\r\n") != std::string::npos)
        return true;
    if (argument.front() != '-')
        return false;
    std::size_t at = 1;
    while (at < argument.size() && isNameCharacter(argument[at]))
        ++at;
    if (at == 1)
        return false;
    if (at < argument.size() && argument[at] == '#')
        ++at;
    if (at < argument.size() && std::isspace(static_cast<unsigned char>(argument[at])))
        return true;
    if (at < argument.size() && (argument[at] == '+' || argument[at] == '-' || argument[at] == '<'))
        ++at;
    return at + 1 < argument.size() && argument[at] == '=' && argument[at + 1] == ' ';
}

std::string lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool isExiftool(const std::string& name)
{
    const std::size_t cut = name.find_last_of("/\\");
    const std::string base = lower(cut == std::string::npos ? name : name.substr(cut + 1));
    return base == "exiftool" || base == "exiftool.exe";
}

// Options that would take the session itself apart.
bool steersSession(const std::string& argument)
{
    const std::string option = lower(argument);
    return option == "-stay_open" || option == "-@" || option.rfind("-execute", 0) == 0 ||
           option == "-common_args";
}

std::string currentFolder()
{
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    return error ? std::string(".") : folder.string();
}

} // namespace

std::optional<std::string> argumentFileLine(const std::string& argument)
{
    if (!plainLineChanges(argument))
        return argument;
    if (argument.find_first_of("$@") != std::string::npos)
        return std::nullopt;
    std::string line = "#[CSTR]";
    for (char c : argument) {
        switch (c) {
        case '\\':
            line += "\\\\";
            break;
        case '"':
            line += "\\\"";
            break;
        case '\n':
            line += "\\n";
            break;
        case '\r':
            line += "\\r";
            break;
        case '\t':
            line += "\\t";
            break;
        default:
            line += c;
        }
    }
    return line;
}

struct ExiftoolSessionRunner::Session {
    KeptTool child;
    std::string program;
    std::string folder;
    bool highPriority = false;
    unsigned next = 0;
    bool answered = false; // the running process finished a file
    int deadInARow = 0;    // sessions that died before finishing any file
    // Two sessions in a row died unanswered: this thread runs exiftool alone from now on.
    bool failed() const { return deadInARow >= 2; }

    void end()
    {
        if (!child.running())
            return;
        child.send("-stay_open\nFalse\n");
        child.finish(endGrace);
    }
};

ExiftoolSessionRunner::ExiftoolSessionRunner(ToolRunner& wrapped) : wrapped(wrapped) {}

ExiftoolSessionRunner::~ExiftoolSessionRunner()
{
    for (auto& entry : sessions)
        entry.second->end();
}

void ExiftoolSessionRunner::threadFinished()
{
    std::unique_ptr<Session> session;
    {
        std::lock_guard lock(mutex);
        auto found = sessions.find(std::this_thread::get_id());
        if (found == sessions.end())
            return;
        session = std::move(found->second);
        sessions.erase(found);
    }
    session->end();
}

ExiftoolSessionRunner::Session& ExiftoolSessionRunner::thisThreadsSession()
{
    std::lock_guard lock(mutex);
    std::unique_ptr<Session>& session = sessions[std::this_thread::get_id()];
    if (!session)
        session = std::make_unique<Session>();
    return *session;
}

bool ExiftoolSessionRunner::speaksSessions(const std::string& program)
{
    std::lock_guard lock(mutex);
    auto known = sessionPrograms.find(program);
    if (known != sessionPrograms.end())
        return known->second;
    // A program that never mentions the option cannot keep a session (a wrapper script, a
    // stand-in): asking would cost it a call it cannot answer.
    std::ifstream file(program, std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(file)),
                              std::istreambuf_iterator<char>());
    const bool speaks = content.find("stay_open") != std::string::npos;
    sessionPrograms.emplace(program, speaks);
    return speaks;
}

std::optional<ExiftoolSessionRunner::Handover>
ExiftoolSessionRunner::handoverFor(const std::string& command)
{
    // What a single run would refuse before starting anything it refuses here too.
    if (command.find('\0') != std::string::npos ||
        !composeCommandLine(commandInterpreter(), command, ""))
        return std::nullopt;
    const std::vector<std::string> words = commandWords(command);
    if (words.size() < 2 || !isExiftool(words[0]))
        return std::nullopt;
    Handover handover;
    for (std::size_t i = 1; i < words.size(); ++i) {
        if (steersSession(words[i]))
            return std::nullopt;
        std::optional<std::string> line = argumentFileLine(words[i]);
        if (!line)
            return std::nullopt;
        handover.lines += *line;
        handover.lines += '\n';
    }
    handover.folder = currentFolder();
    if (!findProgramFrom(words[0], handover.folder, &handover.program))
        return std::nullopt;
    if (!speaksSessions(handover.program))
        return std::nullopt;
    return handover;
}

RunOutcome ExiftoolSessionRunner::run(const ToolRun& tool)
{
    std::optional<Handover> handover = handoverFor(tool.command);
    if (!handover)
        return wrapped.run(tool);
    Session& session = thisThreadsSession();
    if (session.failed())
        return wrapped.run(tool);
    bool fellOver = false;
    const RunOutcome outcome = runInSession(session, *handover, tool, &fellOver);
    if (!fellOver)
        return outcome;
    // exiftool writes a file through a temporary one and a rename, so the file is either as it
    // was or done: running it once more alone is safe.
    session.deadInARow = session.answered ? 0 : session.deadInARow + 1;
    session.child.kill();
    return wrapped.run(tool);
}

RunOutcome ExiftoolSessionRunner::runInSession(Session& session, const Handover& handover,
                                               const ToolRun& tool, bool* fellOver)
{
    const auto start = std::chrono::steady_clock::now();
    const bool limited = tool.timeLimit.count() > 0;
    if (session.child.running() &&
        (session.program != handover.program || session.folder != handover.folder ||
         session.highPriority != tool.highPriority))
        session.end();
    if (!session.child.running()) {
        if (!session.child.start(handover.program,
                                 {handover.program, "-stay_open", "True", "-@", "-"},
                                 tool.highPriority)) {
            *fellOver = true;
            return {};
        }
        ++started;
        session.program = handover.program;
        session.folder = handover.folder;
        session.highPriority = tool.highPriority;
        session.answered = false;
    }

    const std::string id = std::to_string(++session.next);
    const std::string statusLine = "{status" + id + "=";
    const std::string readyLine = "{ready" + id + "}";
    // The status is exiftool's exit status for this file, written after the file is done.
    if (!session.child.send("-echo3\n" + statusLine + "${status}}\n" + handover.lines + "-execute" +
                            id + "\n")) {
        *fellOver = true;
        return {};
    }

    std::optional<std::int32_t> status;
    for (;;) {
        std::string line;
        switch (session.child.readLine(&line, pollSlice)) {
        case KeptTool::Read::line:
            if (line.rfind(statusLine, 0) == 0 && line.size() > statusLine.size() + 1 &&
                line.back() == '}')
                status = std::atoi(line.c_str() + statusLine.size());
            else if (line == readyLine) {
                if (!status) {
                    *fellOver = true;
                    return {};
                }
                session.answered = true;
                session.deadInARow = 0;
                return RunOutcome{RunEnd::Finished, *status};
            }
            continue;
        case KeptTool::Read::closed:
            // Killed for the abort (every tool is ended on Stop): the same as a single run.
            if (tool.abort && *tool.abort) {
                session.child.kill();
                return RunOutcome{RunEnd::Aborted, 1};
            }
            *fellOver = true;
            return {};
        case KeptTool::Read::waiting:
            break;
        }
        RunEnd end;
        if (tool.abort && *tool.abort)
            end = RunEnd::Aborted;
        else if (limited && std::chrono::steady_clock::now() - start >= tool.timeLimit)
            end = RunEnd::TimedOut;
        else
            continue;
        session.child.kill();
        return RunOutcome{end, 1};
    }
}
