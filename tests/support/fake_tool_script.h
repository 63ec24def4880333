// The little shell the fake tool program speaks where no sh exists: the actions the tests give
// FakeTools (fake_tools.h) are run by it. Commands are separated by newlines, ";", "&&" and
// "||"; words are quoted with '' or "" and "$FILE" (the last argument), "$1".."$9" and "$@"
// are replaced outside single quotes. It knows the fake image program (by its name, wherever
// it lies), "mv A B", "cat A... > OUT", "sleep SECONDS", ":", "true", "false" and "exit N"; a
// whole script may be one "case WORD in PATTERN) ...;; esac" whose patterns know "*" only.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Runs script with the tool's arguments; the status of the last command run.
int runFakeToolScript(const std::string& script, const std::vector<std::string>& arguments,
                      std::ostream& err);
