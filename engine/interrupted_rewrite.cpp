#include "engine/interrupted_rewrite.h"

#include <vector>

#include "util/file_system.h"

namespace {

// One byte at a time from a ChunkReader, read in large chunks.
class ByteStream {
public:
    explicit ByteStream(const ChunkReader& read) : read(read), buffer(1 << 16) {}

    // False at the end or on an error; failed() tells them apart.
    bool next(char& byte)
    {
        if (at == filled) {
            if (ended)
                return false;
            const long long got = read(buffer.data(), buffer.size());
            if (got <= 0) {
                ended = true;
                error = got < 0;
                return false;
            }
            filled = static_cast<std::size_t>(got);
            at = 0;
        }
        byte = buffer[at++];
        return true;
    }

    bool failed() const { return error; }

private:
    const ChunkReader& read;
    std::vector<char> buffer;
    std::size_t at = 0;
    std::size_t filled = 0;
    bool ended = false;
    bool error = false;
};

bool plainName(const std::string& name)
{
    // ':' names a drive or a stream on Windows.
    const char* const notPlain = pathSeparator == '/' ? "/" : "\\/:";
    return !name.empty() && name.find_first_of(notPlain) == std::string::npos && name != "." &&
           name != "..";
}

bool plainIdentity(const std::string& identity)
{
    return identity.find_first_not_of("0123456789:") == std::string::npos;
}

} // namespace

std::string rewriteNoteText(const RewriteNote& note)
{
    return note.target + "\n" + note.result + "\n" + note.identity + "\n";
}

bool readRewriteNote(const std::string& text, RewriteNote& note)
{
    const std::size_t first = text.find('\n');
    const std::size_t second = text.find('\n', first + 1);
    if (first == std::string::npos || second == std::string::npos)
        return false;
    note.target = text.substr(0, first);
    note.result = text.substr(first + 1, second - first - 1);
    const std::size_t third = text.find('\n', second + 1);
    note.identity =
        third == std::string::npos ? std::string() : text.substr(second + 1, third - second - 1);
    return plainName(note.target) && plainName(note.result) && plainIdentity(note.identity);
}

bool isInterruptedRewrite(const ChunkReader& target, const ChunkReader& result,
                          const ChunkReader& original)
{
    ByteStream file(target);
    ByteStream written(result);
    ByteStream before(original);
    // The rewrite copies the result from its start, so the file holds the result up to its
    // first differing byte; from there on it must be the original, byte for byte.
    bool inResult = true;
    bool resultLeft = true;
    bool originalLeft = true;
    char byte = 0;
    while (file.next(byte)) {
        char fromResult = 0;
        char fromOriginal = 0;
        resultLeft = resultLeft && written.next(fromResult);
        originalLeft = originalLeft && before.next(fromOriginal);
        if (inResult && resultLeft && byte == fromResult)
            continue;
        inResult = false;
        if (!originalLeft || byte != fromOriginal)
            return false;
    }
    if (file.failed() || written.failed() || before.failed())
        return false;
    char extra = 0;
    if (inResult) {
        // All of the file is the result's beginning: the whole result (cut to its size), or a
        // part of it at least as long as the original (nothing of the original left to see).
        const bool wholeResult = !(resultLeft && written.next(extra));
        const bool originalCovered = !(originalLeft && before.next(extra));
        return !written.failed() && !before.failed() && (wholeResult || originalCovered);
    }
    // Not cut yet: the file is as long as the original.
    return !before.next(extra) && !before.failed();
}
