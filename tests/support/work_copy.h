// What the engine hands a tool instead of the user's file: a copy in a private work folder beside
// it, "<folder of the file>/.tarnwick-<pid>-<6 characters>/work<tag><suffix of the file>".
#pragma once

#include <string>
#include <vector>

// Whether argument names a work copy of file; tag is "" for the copy a step starts from and
// "-out" for the output a NewFile step (pngcrush) writes.
bool isWorkCopyOf(const std::string& argument, const std::string& file,
                  const std::string& tag = "");

// A stand-in for "a work copy of file" in expected tool calls.
std::string workCopy(const std::string& file, const std::string& tag = "");

// Recorded calls ("tool|arg|arg") with every argument that is a work copy of one of files
// replaced by workCopy(that file, tag); the first matching file wins, so give files that differ
// in folder or suffix.
std::vector<std::string> withWorkCopies(const std::vector<std::string>& calls,
                                        const std::vector<std::string>& files);

// The work folders (".tarnwick-*") at or below folder, by full path.
std::vector<std::string> workFoldersIn(const std::string& folder);
