#include "util/live_file.h"

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "support/temp_folder.h"

namespace {

std::string contentOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(LiveFileTest, TextModesWriteBytesUntranslated)
{
    TempFolder temp;
    const std::string path = temp.path("settings.json");
    {
        liveFile file(path, 0);
        ASSERT_NE(file.stream, nullptr);
        std::fputs("{\"a\":true}\nnext", file.stream);
    } // closing flushes
    // Linux's C library does no line-end translation in text mode.
    EXPECT_EQ(contentOf(path), "{\"a\":true}\nnext");

    temp.write("crlf.txt", "a\r\nb");
    liveFile reader(temp.path("crlf.txt"), 1);
    EXPECT_EQ(reader.readAll(), "a\r\nb");
}

TEST(LiveFileTest, EveryModeOpensAsItsStringSays)
{
    TempFolder temp;
    struct Case {
        int mode;
        bool needsFile; // opening a missing file fails
        bool truncates;
        bool canWrite;
        bool canRead;
    };
    const Case cases[] = {
        {0, false, true, true, false}, {1, true, false, false, true}, {2, true, false, true, true},
        {3, false, true, true, true},  {4, false, false, true, true}, {5, false, true, true, false},
        {6, true, false, false, true}, {7, true, false, true, true},  {8, false, true, true, true},
        {9, false, false, true, true},
    };
    for (const Case& c : cases) {
        const std::string missing = temp.path("missing" + std::to_string(c.mode));
        {
            liveFile file(missing, c.mode);
            EXPECT_EQ(file.stream == nullptr, c.needsFile) << c.mode;
        }
        const std::string path = temp.write("file" + std::to_string(c.mode), "old");
        liveFile file(path, c.mode);
        ASSERT_NE(file.stream, nullptr) << c.mode;
        EXPECT_EQ(file.path, path);
        EXPECT_EQ(file.openMode, c.mode);
        EXPECT_EQ(file.getSize(), c.truncates ? 0 : 3) << c.mode;
        if (c.canRead && !c.truncates) {
            EXPECT_EQ(file.readAll(), "old") << c.mode;
        }
        std::fseek(file.stream, 0, SEEK_CUR); // required between reading and writing
        EXPECT_EQ(std::fputc('z', file.stream) != EOF, c.canWrite) << c.mode;
    }
}

TEST(LiveFileTest, UnknownModeKeepsPathButOpensNothing)
{
    TempFolder temp;
    const std::string path = temp.write("x", "data");
    for (const int mode : {10, -1}) {
        liveFile file(path.c_str(), mode);
        EXPECT_EQ(file.stream, nullptr);
        EXPECT_EQ(file.path, path);
        EXPECT_EQ(file.openMode, mode);
        EXPECT_EQ(file.readAll(), "");
    }
    EXPECT_EQ(contentOf(path), "data");
}

TEST(LiveFileTest, ReadAllReturnsEveryByteFromThePosition)
{
    TempFolder temp;
    temp.write("empty", "");
    EXPECT_EQ(liveFile(temp.path("empty"), 6).readAll(), "");

    const std::string withZero("ab\0cd", 5);
    temp.write("zero", withZero);
    EXPECT_EQ(liveFile(temp.path("zero"), 6).readAll(), withZero);

    std::string big(200000, 'q');
    big[123456] = 'Q';
    temp.write("big", big);
    liveFile file(temp.path("big"), 1);
    ASSERT_EQ(std::fgetc(file.stream), 'q');
    EXPECT_EQ(file.readAll(), big.substr(1));
}

TEST(LiveFileTest, ReopenTruncatedEmptiesAndReopensInOwnMode)
{
    TempFolder temp;
    const std::string path = temp.write("data.bin", "content");
    liveFile reader(path, 6);
    ASSERT_NE(reader.stream, nullptr);
    std::FILE* again = reader.reopenTruncated();
    EXPECT_EQ(again, reader.stream);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(contentOf(path), "");
    EXPECT_EQ(std::fputc('x', again), EOF) << "reopened for reading only";

    temp.write("data.bin", "content");
    liveFile writer(path, 8);
    std::fputs("abc", writer.stream);
    std::FILE* rewritten = writer.reopenTruncated();
    ASSERT_NE(rewritten, nullptr);
    std::fputs("z", rewritten);
    std::fflush(rewritten);
    EXPECT_EQ(contentOf(path), "z");
}

TEST(LiveFileTest, FileSizeIsSixtyFourBitAndMinusOneWhenMissing)
{
    TempFolder temp;
    EXPECT_EQ(fileSize(temp.path("missing")), -1);
    EXPECT_EQ(fileSize(temp.write("empty", "")), 0);
    EXPECT_EQ(fileSize(temp.write("five", "12345")), 5);
    EXPECT_GE(fileSize(temp.path()), 0) << "a folder counts as existing";

    // A sparse file above 4 GiB takes no disk space but must report its full size.
    const std::string path = temp.path("sparse");
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    const off_t size = (off_t{5} << 30) + 7;
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
    EXPECT_EQ(fileSize(path), std::int64_t{size});
    EXPECT_EQ(liveFile(path, 6).getSize(), std::int64_t{size});
}
