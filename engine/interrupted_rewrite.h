// A file with several names is rewritten in place, not renamed over; a note in the work folder
// lets the next run finish a rewrite a killed run left half done. What the note says and how a
// file is recognised as still being that half-done rewrite, the same on every system.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

// Begins with "work", like every file a step leaves in its folder.
inline constexpr const char* rewriteNoteName = "work-rewrite";
// The original's content as it was when the rewrite began, beside the note.
inline constexpr const char* rewriteOriginalName = "work-rewrite-original";

// Why a leftover rewrite was not finished, as said in the log.
inline constexpr const char* changedSinceRewrite = "the file changed since";
inline constexpr const char* unprovenRewrite = "nothing shows that the file is still the same";

struct RewriteNote {
    std::string target;   // the file being rewritten, beside the work folder
    std::string result;   // the checked result, inside the work folder
    std::string identity; // which file target was (device and file number); empty in old notes
};

// One line each: target, result, identity.
std::string rewriteNoteText(const RewriteNote& note);

// False when the note is cut short or a name could point anywhere else. A note written before
// identities were kept reads with an empty identity.
bool readRewriteNote(const std::string& text, RewriteNote& note);

// Fills buffer with up to size bytes that follow what it gave before: 0 at the end, -1 on error.
using ChunkReader = std::function<long long(char* buffer, std::size_t size)>;

// Whether target holds what a rewrite of original into result leaves at any moment: the first
// bytes of result over the rest of original (the original itself before the first write), or
// the whole result once the file was cut to its size.
bool isInterruptedRewrite(const ChunkReader& target, const ChunkReader& result,
                          const ChunkReader& original);
