// The program's entry: with no arguments (or --open) the window, else the headless job.
#pragma once

#include <string>
#include <vector>

class liveApplication;

// Shows the application's main window and runs the message loop until it is closed; needs a
// display. Compresses each of openPaths in the window as a drop of that one path would, one after
// another on the drop thread. Returns the exit status: 0 once the window has closed (and every
// job started from it has ended), 1 when there is no display (said on standard error).
int interactiveMain(liveApplication& application, const std::vector<std::string>& openPaths = {});

// The whole program for the arguments after its name, as parseCommandLine reads them: the window
// (with --open's paths, relative ones taken from the current folder), or headlessMain.
int programMain(const std::vector<std::string>& arguments);
