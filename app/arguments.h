// The command line, for the window and the headless run alike: one table of arguments, one parser.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/job_request.h"
#include "engine/options.h"

// What the program was asked to do.
enum class ProgramMode {
    Window,     // show the window; compress openPaths in it, one after another
    Headless,   // compress paths without a window
    Help,       // print the usage text
    Version,    // print the version
    Tools,      // list the optimizers
    Restore,    // put the originals of restoreFolder back
    UsageError, // complaint says what is wrong
};

struct CommandLine {
    ProgramMode mode = ProgramMode::Window;
    std::vector<std::string> paths; // as given: relative ones are the caller's to resolve
    bool json = false;              // results as JSON lines on standard output
    bool quiet = false;             // only the total
    // --files-from: the paths come from this list instead ("-": standard input), one per line
    // or, with listEndsWithNul, each ending with a NUL byte.
    std::string listFile;
    bool listEndsWithNul = false;
    bool opened = false; // --open asked for the window
    // --FLAG and --no-FLAG of the options' table, in the order given: the settings file's values
    // changed for this run only.
    std::vector<std::pair<Option, bool>> optionChanges;
    Shard shard;               // --shard I/N
    unsigned jobs = 0;         // --jobs N: that many files at once; 0: as HogSystem says
    std::string restoreFolder; // --restore FOLDER
    std::string complaint;
};

// Reads the arguments after the program's name. None, or only blank ones, shows the window;
// "--open PATH..." shows it with paths to compress (blank ones dropped); otherwise options come
// first, up to "--" or the first path, and the rest are the paths of a headless run.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// The text --help prints, its options listed from the argument table; the manual page is made
// from it.
const std::string& usageText();
