// A program kept running to talk to, or only to listen to: started like spawnProgram (hidden, own
// process group, ended with this process), with its standard output on a pipe of
// ours and, to talk to it, its standard input too.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>

#include "platform/posix/process/spawn.h"

namespace posix_process {

class PipedChild {
public:
    PipedChild() = default;
    // Kills what is still running and reaps it.
    ~PipedChild();
    PipedChild(const PipedChild&) = delete;
    PipedChild& operator=(const PipedChild&) = delete;

    // Starts the program (request.input and request.output are set here); false with the errno
    // value in *error when it did not run.
    bool start(SpawnRequest request, int* error);
    // The same with only the output on a pipe (request.output is set here): its input is
    // /dev/null, and with request.errorsToOutput its errors come through the pipe as well.
    bool startListening(SpawnRequest request, int* error);
    bool running() const { return pid >= 0; }
    pid_t processId() const { return pid; }

    // Writes all of text to the child's input; false when the child no longer reads it. Never
    // raises SIGPIPE.
    bool send(std::string_view text);

    enum class Read {
        line,    // *line holds the next line of output, without its newline
        waiting, // no whole line arrived within the wait
        closed,  // the output ended: the child is gone (or closed it)
    };
    Read readLine(std::string* line, std::chrono::milliseconds wait);
    // Appends to *text the output that arrives within wait, whole lines or not (possibly
    // nothing); false once the output has ended and all of it has been handed over.
    bool readSome(std::string* text, std::chrono::milliseconds wait);

    // Closes our end of its input, waits up to grace for it to end, then kills its group; reaps
    // it. Returns its exit code (exitCodeFromStatus), -1 when it was not running.
    int finish(std::chrono::milliseconds grace);
    // Kills its whole process group at once and reaps it.
    void kill();

private:
    void closePipes();
    // Reads what arrives by the deadline into pending; false when nothing came (*result says
    // why: waiting or closed).
    bool fill(std::chrono::steady_clock::time_point deadline, Read* result);
    int reap(std::chrono::milliseconds grace);

    pid_t pid = -1;
    int input = -1;
    int output = -1;
    std::string pending; // output read past the last whole line
};

} // namespace posix_process
