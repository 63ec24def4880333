#include "platform/posix/process/keeper_protocol.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace posix_process::keeper_protocol {
namespace {

constexpr int maxFds = 3;

void appendString(std::vector<char>& bytes, const char* text)
{
    bytes.insert(bytes.end(), text, text + std::strlen(text) + 1);
}

// The next zero-ended string at *at, or null when the bytes end first.
char* nextString(std::vector<char>& bytes, std::size_t* at)
{
    if (*at >= bytes.size())
        return nullptr;
    void* end = std::memchr(bytes.data() + *at, '\0', bytes.size() - *at);
    if (!end)
        return nullptr;
    char* text = bytes.data() + *at;
    *at = static_cast<std::size_t>(static_cast<char*>(end) - bytes.data()) + 1;
    return text;
}

} // namespace

std::vector<char> encodeStart(StartHeader header, const std::string& path,
                              const std::vector<std::string>& arguments, char* const* environment,
                              const std::string& folder)
{
    header.tag = startTag;
    header.argumentCount = static_cast<std::uint32_t>(arguments.size());
    header.environmentCount = 0;
    for (char* const* entry = environment; entry && *entry; ++entry)
        ++header.environmentCount;
    std::vector<char> bytes(sizeof header);
    appendString(bytes, path.c_str());
    for (const std::string& argument : arguments)
        appendString(bytes, argument.c_str());
    for (char* const* entry = environment; entry && *entry; ++entry)
        appendString(bytes, *entry);
    if (header.hasFolder)
        appendString(bytes, folder.c_str());
    std::memcpy(bytes.data(), &header, sizeof header);
    return bytes;
}

bool decodeStart(std::vector<char>& bytes, DecodedStart* decoded)
{
    if (bytes.size() < sizeof(StartHeader))
        return false;
    std::memcpy(&decoded->header, bytes.data(), sizeof(StartHeader));
    const StartHeader& header = decoded->header;
    if (header.tag != startTag || header.argumentCount == 0 ||
        header.argumentCount > bytes.size() || header.environmentCount > bytes.size())
        return false;
    std::size_t at = sizeof(StartHeader);
    decoded->path = nextString(bytes, &at);
    if (!decoded->path)
        return false;
    decoded->arguments.clear();
    for (std::uint32_t i = 0; i < header.argumentCount; ++i) {
        char* argument = nextString(bytes, &at);
        if (!argument)
            return false;
        decoded->arguments.push_back(argument);
    }
    decoded->arguments.push_back(nullptr);
    decoded->environment.clear();
    for (std::uint32_t i = 0; i < header.environmentCount; ++i) {
        char* entry = nextString(bytes, &at);
        if (!entry)
            return false;
        decoded->environment.push_back(entry);
    }
    decoded->environment.push_back(nullptr);
    decoded->folder = nullptr;
    if (header.hasFolder && !(decoded->folder = nextString(bytes, &at)))
        return false;
    return at == bytes.size();
}

bool sendMessage(int socket, const void* data, std::size_t size, const int* fds, int fdCount)
{
    iovec part{const_cast<void*>(data), size};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * maxFds)] = {};
    if (fdCount > 0) {
        message.msg_control = control;
        message.msg_controllen = CMSG_SPACE(sizeof(int) * fdCount);
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = SOL_SOCKET;
        header->cmsg_type = SCM_RIGHTS;
        header->cmsg_len = CMSG_LEN(sizeof(int) * fdCount);
        std::memcpy(CMSG_DATA(header), fds, sizeof(int) * fdCount);
    }
    ssize_t sent;
    do {
        sent = ::sendmsg(socket, &message, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return sent == static_cast<ssize_t>(size);
}

long receiveMessage(int socket, std::vector<char>& bytes, std::size_t capacity, int* fds,
                    int* fdCount, bool dontWait)
{
    // One byte more than any message of ours: a longer one shows as cut.
    bytes.resize(capacity + 1);
    iovec part{bytes.data(), bytes.size()};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * maxFds)] = {};
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t got;
    do {
        got = ::recvmsg(socket, &message, MSG_CMSG_CLOEXEC | (dontWait ? MSG_DONTWAIT : 0));
    } while (got < 0 && errno == EINTR);
    *fdCount = 0;
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header;
         header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_RIGHTS)
            continue;
        const int count = static_cast<int>((header->cmsg_len - CMSG_LEN(0)) / sizeof(int));
        for (int i = 0; i < count; ++i) {
            int fd;
            std::memcpy(&fd, CMSG_DATA(header) + i * sizeof(int), sizeof fd);
            if (*fdCount < maxFds)
                fds[(*fdCount)++] = fd;
            else
                ::close(fd);
        }
    }
    if (got < 0)
        return -1;
    if (message.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) {
        // Not a message of ours: nothing of it is used.
        for (int i = 0; i < *fdCount; ++i)
            ::close(fds[i]);
        *fdCount = 0;
        errno = EMSGSIZE;
        return -1;
    }
    bytes.resize(static_cast<std::size_t>(got));
    return got;
}

} // namespace posix_process::keeper_protocol
