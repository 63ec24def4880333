#include "app/arguments.h"

#include <algorithm>

namespace {

struct Argument {
    const char* name;
    const char* valueName; // the value it takes (the next argument), as the usage text shows it;
                           // empty: none
    const char* help;      // lines of the usage text, without their indent
    // Takes the argument (and its value); false when the value is wrong.
    bool (*apply)(CommandLine&, const std::string& value);
};

bool positive(const std::string& text, unsigned& number)
{
    if (text.empty() || text.size() > 6 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    number = static_cast<unsigned>(std::stoul(text));
    return number > 0;
}

const Argument arguments[] = {
    {"--json", "",
     "one JSON object per file on standard output (path, size_before,\n"
     "size_after, steps, status), then one with the totals (files,\n"
     "processed, skipped, stopped, failed, bytes_saved, exit_status);\n"
     "the log goes to standard error",
     [](CommandLine& line, const std::string&) { return line.json = true; }},
    {"--quiet", "",
     "prints nothing but the total: the \"Saved:\" line (with --json,\n"
     "the object with the totals) and what went wrong with a PATH",
     [](CommandLine& line, const std::string&) { return line.quiet = true; }},
    {"--files-from", "FILE",
     "takes the PATHs from FILE (\"-\": standard input), one per line,\n"
     "instead of from the command line; the list is read as the\n"
     "job goes, so it may be of any length",
     [](CommandLine& line, const std::string& value) {
         line.listFile = value;
         return !value.empty();
     }},
    {"--null", "",
     "with --files-from: each path of the list ends with a NUL byte\n"
     "(as find -print0 writes them) instead of a line end; also -0",
     [](CommandLine& line, const std::string&) { return line.listEndsWithNul = true; }},
    // Taken only as the first argument, where it makes every other argument a path.
    {"--open", "PATH...",
     "shows the window and compresses each PATH in it, one after\n"
     "another, as if it had been dropped on it",
     nullptr},
    {"--shard", "I/N",
     "keeps only the files of shard I of N (by a hash of each\n"
     "file's path below the PATH it was found under): N runs over\n"
     "the same paths, on one machine or many, share the files\n"
     "without overlap and together cover them all",
     [](CommandLine& line, const std::string& value) {
         const std::size_t slash = value.find('/');
         Shard shard;
         return slash != std::string::npos && positive(value.substr(0, slash), shard.index) &&
                positive(value.substr(slash + 1), shard.count) && shard.index <= shard.count &&
                (line.shard = shard, true);
     }},
    {"--jobs", "N",
     "compresses N files at once (otherwise, with Simultanious\n"
     "Compressions on, twice as many as there are processors)",
     [](CommandLine& line, const std::string& value) { return positive(value, line.jobs); }},
    {"--restore", "FOLDER",
     "puts back the originals that the backup FOLDER holds, where\n"
     "the file is still what the job made of it; a file changed\n"
     "since is listed and left as it is (with --json: one object\n"
     "per file with path and action, then the totals)",
     [](CommandLine& line, const std::string& value) {
         line.mode = ProgramMode::Restore;
         line.restoreFolder = value;
         return !value.empty();
     }},
    {"--tools", "",
     "lists the optimizers: where each was found (the program's\n"
     "folder first, then PATH) and its version, or missing (for\n"
     "pngout, with zopflipng, which stands in for it)",
     [](CommandLine& line, const std::string&) {
         line.mode = ProgramMode::Tools;
         return true;
     }},
    {"--help", "", "shows this text",
     [](CommandLine& line, const std::string&) {
         line.mode = ProgramMode::Help;
         return true;
     }},
    {"--version", "", "shows the version",
     [](CommandLine& line, const std::string&) {
         line.mode = ProgramMode::Version;
         return true;
     }},
};

// The column where the options' help texts start.
constexpr std::size_t helpColumn = 19;

bool isBlank(const std::string& argument)
{
    return std::all_of(argument.begin(), argument.end(),
                       [](char c) { return c == ' ' || c == '\t'; });
}

bool looksLikeOption(const std::string& argument)
{
    return argument.size() > 1 && argument.front() == '-';
}

const Argument* find(const std::string& name)
{
    // The short name xargs and other tools of find -print0 use.
    const std::string known = name == "-0" ? "--null" : name;
    for (const Argument& argument : arguments)
        if (known == argument.name)
            return &argument;
    return nullptr;
}

// --FLAG or --no-FLAG of an option: which one, and whether it turns it on.
bool findOptionFlag(const std::string& argument, Option& option, bool& on)
{
    for (const OptionInfo& info : optionTable()) {
        const std::string flag = std::string("--") + info.flag;
        const std::string negated = std::string("--no-") + info.flag;
        if (argument == flag || argument == negated) {
            option = info.option;
            on = argument == flag;
            return true;
        }
    }
    return false;
}

// A menu label as the menu shows it: "&&" is an ampersand, a single "&" marks the access key.
std::string shownLabel(const char* label)
{
    std::string shown;
    for (const char* at = label; *at; ++at) {
        if (*at == '&' && at[1] == '&')
            ++at;
        else if (*at == '&')
            continue;
        shown += *at;
    }
    return shown;
}

std::string optionFlagsText()
{
    std::string text;
    for (const OptionInfo& info : optionsInMenuOrder()) {
        std::string flags = std::string("  --") + info.flag + ", --no-" + info.flag;
        flags.resize(std::max<std::size_t>(37, flags.size() + 1), ' ');
        text += flags + shownLabel(info.menuLabel) + (info.defaultOn ? " (on)" : " (off)") + "\n";
    }
    return text;
}

CommandLine usageError(std::string complaint)
{
    CommandLine line;
    line.mode = ProgramMode::UsageError;
    line.complaint = std::move(complaint);
    return line;
}

std::string optionsText()
{
    std::string text;
    for (const Argument& argument : arguments) {
        std::string name = std::string("  ") + argument.name;
        if (*argument.valueName)
            name += std::string(" ") + argument.valueName;
        name.resize(std::max(helpColumn, name.size() + 1), ' ');
        text += name;
        for (const char* at = argument.help; *at; ++at) {
            text += *at;
            if (*at == '\n')
                text += std::string(helpColumn, ' ');
        }
        text += '\n';
    }
    return text;
}

} // namespace

CommandLine parseCommandLine(const std::vector<std::string>& given)
{
    CommandLine line;
    if (std::all_of(given.begin(), given.end(), isBlank))
        return line;
    if (given.front() == "--open") {
        line.opened = true;
        for (auto it = given.begin() + 1; it != given.end(); ++it)
            if (!isBlank(*it))
                line.paths.push_back(*it);
        return line;
    }
    line.mode = ProgramMode::Headless;
    bool optionsEnded = false;
    for (std::size_t at = 0; at < given.size(); ++at) {
        const std::string& argument = given[at];
        // As with getopt, the first path ends the options: a file may be named like one.
        if (optionsEnded || !looksLikeOption(argument)) {
            line.paths.push_back(argument);
            optionsEnded = true;
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        Option option{};
        bool on = false;
        if (findOptionFlag(argument, option, on)) {
            line.optionChanges.emplace_back(option, on);
            continue;
        }
        const Argument* known = find(argument);
        if (!known)
            return usageError("unknown option " + argument);
        if (!known->apply)
            return usageError(argument + " must come first");
        std::string value;
        if (*known->valueName) {
            if (at + 1 == given.size())
                return usageError(argument + " needs " + known->valueName);
            value = given[++at];
        }
        if (!known->apply(line, value))
            return usageError(argument + " " + value + ": not " + known->valueName);
    }
    if (line.mode != ProgramMode::Headless)
        return line;
    if (!line.listFile.empty() && !line.paths.empty())
        return usageError("--files-from takes no PATH");
    if (line.listEndsWithNul && line.listFile.empty())
        return usageError("--null needs --files-from");
    if (line.paths.empty() && line.listFile.empty())
        return usageError("no PATH given");
    if (line.mode == ProgramMode::Restore && !line.paths.empty())
        return usageError("--restore takes a backup FOLDER and no PATH");
    return line;
}

const std::string& usageText()
{
    static const std::string text =
        "Usage: tarnwick PATH\n"
        "       tarnwick --json PATH\n"
        "       tarnwick --files-from FILE [--null]\n"
        "       tarnwick --open [PATH...]\n"
        "       tarnwick [--json] --restore BACKUP_FOLDER\n"
        "       tarnwick                   (shows the window; drop files or folders on it)\n"
        "       tarnwick --tools | --help | --version\n"
        "\n"
        "Makes the image or executable file PATH, or every file of an enabled kind in the\n"
        "folder PATH and its sub-folders, smaller in place, and prints the log. Several\n"
        "PATHs are compressed in order as one job. A relative PATH is taken from the\n"
        "current folder. The options come from the settings file (the defaults when there\n"
        "is none) and the flags below.\n"
        "\n"
        "Options:\n" +
        optionsText() +
        "\n"
        "The menus' settings for one run; otherwise the settings file's value, or the\n"
        "default shown:\n" +
        optionFlagsText() +
        "\n"
        "Exit status:\n"
        "  0     every file was processed\n"
        "  1     a file could not be processed, the backup of the originals failed, or a\n"
        "        PATH among others does not exist or is of no supported kind\n"
        "  2     no PATH exists or is of a supported kind, or a wrong command line\n"
        "  130   stopped by Ctrl-C (the running step finishes first; a second Ctrl-C ends\n"
        "        the running tool and undoes its step)\n"
        "  143   ended by SIGTERM (129 by SIGHUP): the running tool is ended, its step\n"
        "        undone, and the files are left whole\n"
        "\n"
        "Every step's result replaces the file only when it is smaller and the same image\n"
        "(pixels, colour profile, orientation); otherwise the log says why it was undone.\n"
        "A tool may run for 2 minutes plus 1 minute per megabyte of the file; past that it\n"
        "is ended and its step undone.\n"
        "\n"
        "Settings file:\n"
        "  Tarnwick.config next to the program when its folder is writable and is no\n"
        "  system folder (/usr, /opt, /bin, /sbin or the install prefix), otherwise\n"
        "  $XDG_CONFIG_HOME/tarnwick/Tarnwick.config (by default ~/.config/tarnwick/).\n";
    return text;
}
