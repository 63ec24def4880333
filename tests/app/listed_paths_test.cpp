// Reading the paths of --files-from: line ends of either system, NUL ends, gaps and the caller's
// folder.
#include "app/listed_paths.h"

#include <gtest/gtest.h>

#include <vector>

TEST(ListedPaths, EachEntryIsOnePathAndEmptyOnesAreSkipped)
{
    using namespace std::string_literals;
    using Paths = std::vector<std::string>;
    const struct {
        std::string bytes;
        char end;
        Paths paths;
    } cases[] = {
        {"", '\n', {}},
        {"\n\n\r\n", '\n', {}},
        {"/a.png\n/b c.png\n", '\n', {"/a.png", "/b c.png"}},
        {"/a.png\r\n\r\n/b.png", '\n', {"/a.png", "/b.png"}},
        {"pics/a.png\n./b.png\n", '\n', {"/home/me/pics/a.png", "/home/me/b.png"}},
        // A NUL-ended list takes line feeds and carriage returns as part of the name.
        {"/a\nb.png\0/c\r.png\0\0/d.png"s, '\0', {"/a\nb.png", "/c\r.png", "/d.png"}},
        // The last path needs no end.
        {"/a.png\n/b.png", '\n', {"/a.png", "/b.png"}},
    };
    for (const auto& c : cases) {
        std::FILE* stream = std::tmpfile();
        ASSERT_NE(stream, nullptr);
        std::fwrite(c.bytes.data(), 1, c.bytes.size(), stream);
        std::rewind(stream);
        ListedPaths listed(stream, c.end, "/home/me");
        Paths read;
        for (std::string path; listed.next(path);)
            read.push_back(path);
        EXPECT_EQ(read, c.paths) << c.bytes;
        EXPECT_FALSE(listed.failed());
        std::fclose(stream);
    }
}
