// The images the kill stress test works on, made here with ImageMagick and exiftool: small and
// large PNG and JPEG files, some with an ICC profile or an EXIF orientation, two names of one
// hard-linked file, spread over sub-folders.
#pragma once

#include <string>
#include <vector>

// Runs the program (looked up on PATH when it has no slash) with its output discarded; true
// when it exits with status 0.
bool runQuietly(const std::vector<std::string>& argv);

// Makes the images under folder; returns their paths relative to it (both names of the hard
// link), or an empty list after printing what failed.
std::vector<std::string> makeCorpus(const std::string& folder, const std::string& scratch);
