// The one line a long headless run shows on a terminal while it works, and what a stopped run
// says was left undone.
#pragma once

#include <cstdint>
#include <string>

// A job's files as the engine reported them so far.
struct FileProgress {
    std::uint64_t found = 0;    // files the job will compress, as far as it has looked
    bool allFound = false;      // no more will be found: found is the job's total
    std::uint64_t finished = 0; // files whose steps are over, stopped ones included
    std::uint64_t stopped = 0;  // of those, files stopped before all their steps ran or with a
                                // step whose tool was ended
    std::int64_t savedBytes = 0;
};

// "12/40 files, 3.456 KB saved, 2.5 files/s, 0:11 left": done of the total once it is known,
// the rate once a second has passed with a file done, the time left with both.
std::string progressText(const FileProgress& progress, double seconds);

// "Stopped: N files left undone." for a job stopped before its end; restUnread adds that paths
// (the rest of a list, or paths not reached) were never looked at.
std::string stoppedText(const FileProgress& progress, const char* restUnread);
