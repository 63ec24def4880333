// The program's entry: with no arguments the window, with arguments the headless job.
#pragma once

#include <string>
#include <vector>

class liveApplication;

// Shows the application's main window and runs the message loop until it is closed; needs a
// display. Returns the exit status: 0 once the window has closed (and every job started from it
// has ended), 1 when there is no display (said on standard error).
int interactiveMain(liveApplication& application);

// The whole program for the arguments after its name: none (or only blank ones) shows the
// window; anything else is the headless job of headlessMain.
int programMain(const std::vector<std::string>& arguments);
