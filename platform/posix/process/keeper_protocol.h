// What this program and a kept keeper (kept_keepers.h) say to each other over a local socket of
// whole messages (SOCK_SEQPACKET). One tool at a time: a start request, its reply, perhaps an
// end request, and the tool's end. The keeper's end of the socket is its descriptor 3.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace posix_process::keeper_protocol {

constexpr int keeperSocket = 3;

// A start request is this header and then the strings, each ended by a zero: the program's
// path, its arguments, its environment and, with hasFolder, its working folder. Descriptors
// travel with it in this order: the current folder (without hasFolder), the input (with
// hasInput), the output (with hasOutput).
struct StartHeader {
    std::uint32_t tag = 0;
    std::uint32_t argumentCount = 0;
    std::uint32_t environmentCount = 0;
    std::int32_t niceTarget = 0;
    std::int32_t niceFallback = 0;
    std::uint8_t niceWanted = 0;
    std::uint8_t niceHasFallback = 0;
    std::uint8_t hasFolder = 0;
    std::uint8_t hasInput = 0;
    std::uint8_t hasOutput = 0;
    std::uint8_t errorsToOutput = 0;
    std::uint8_t unused[2] = {};
    std::uint64_t ignoredSignals =
        0; // bit n-1: signal n is ignored here (and stays so in the tool)
};

constexpr std::uint32_t startTag = 0x54534b31;
// The one byte of an end request: end the tool and everything it started now.
constexpr char endRequest = 'e';
// Requests beyond this size go another way (a socket's buffer holds about twice as much).
constexpr std::size_t maxRequestBytes = 96 * 1024;

enum class ReplyKind : std::int32_t {
    started = 1, // value: the tool's pid
    failed = 2,  // value: the errno value of why it did not run
    ended = 3,   // value: the tool's wait status (SIGKILL's when it was told to end)
};

struct Reply {
    ReplyKind kind = ReplyKind::failed;
    std::int32_t value = 0;
};

// The request's bytes: the header and then the strings.
std::vector<char> encodeStart(StartHeader header, const std::string& path,
                              const std::vector<std::string>& arguments, char* const* environment,
                              const std::string& folder);

// The strings of a request, pointing into its bytes; false when the bytes are not a whole
// request (then nothing is started).
struct DecodedStart {
    StartHeader header;
    const char* path = nullptr;
    std::vector<char*> arguments;   // ended by a null
    std::vector<char*> environment; // ended by a null
    const char* folder = nullptr;
};
bool decodeStart(std::vector<char>& bytes, DecodedStart* decoded);

// Sends one message with up to three descriptors; never raises SIGPIPE. False on failure.
bool sendMessage(int socket, const void* data, std::size_t size, const int* fds, int fdCount);
// Receives one message of at most capacity bytes whole into bytes and up to three descriptors
// (close-on-exec) into fds; returns its size, 0 at the peer's end, -1 on failure (errno set;
// EAGAIN when dontWait and nothing is there, EMSGSIZE for a longer message).
long receiveMessage(int socket, std::vector<char>& bytes, std::size_t capacity, int* fds,
                    int* fdCount, bool dontWait);

} // namespace posix_process::keeper_protocol
