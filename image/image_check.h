// Decides whether a tool's result shows the same image as the file it started from: the decoded
// pixels at full depth and the colour information (ICC profile, PNG sRGB/gAMA/cHRM/cICP, EXIF
// orientation); for GIF, every frame as shown, its delay and the loop count; for PDF, that the
// result opens without new repairs and every page shows the same content (streams decoded). Never
// "same" by default. Images are compared row by row, in memory that does not grow with them
// (except a GIF's canvas, about a byte a pixel, and a progressive JPEG's coefficients).
#pragma once

#include <string>

struct CheckResult {
    bool same = false;
    // Why not, as a short lower-case phrase for a log line; empty when same.
    std::string reason;
};

// before: a copy of the file as it was before the step; after: the step's result. The kind comes
// from the files' first bytes, so the copy may carry any name.
CheckResult sameImage(const std::string& before, const std::string& after);

// Whether the file is a PDF that is encrypted (also one that opens without a password); false for
// anything that is no readable PDF.
bool isEncryptedPdf(const std::string& path);
