#include "platform/win32/process.h"
#include "test_support.h"

#include <sys/stat.h>

#include <cstring>
#include <thread>

using namespace process_test;

namespace {

TEST(ModuleFileName, IsThisProgramsFullPathAndTruncatesLikeWin32)
{
    char buffer[MAX_PATH * 4];
    DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(std::strlen(buffer), length);
    EXPECT_EQ(buffer[0], '/');
    EXPECT_EQ(std::filesystem::path(buffer).filename(), "process_tests");
    EXPECT_TRUE(std::filesystem::equivalent(buffer, "/proc/self/exe"));

    char small[5];
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), sizeof small);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(small), std::string(buffer, 4));
}

TEST(CurrentFolder, SetsAndReportsWithWin32BufferRules)
{
    TempFolder dir;
    CurrentFolderGuard restore(std::filesystem::current_path().string());
    ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
    std::string expected = std::filesystem::canonical(dir.path()).string();

    DWORD needed = GetCurrentDirectoryA(0, nullptr);
    EXPECT_EQ(needed, expected.size() + 1);
    std::string buffer(needed, 'x');
    EXPECT_EQ(GetCurrentDirectoryA(needed, buffer.data()), expected.size());
    EXPECT_EQ(buffer.c_str(), expected);
    EXPECT_EQ(GetCurrentDirectoryA(needed - 1, buffer.data()), needed);

    SetLastError(0);
    EXPECT_FALSE(SetCurrentDirectoryA((dir / "missing").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST(FileAttributes, DescribeFilesFoldersAndMissingPaths)
{
    TempFolder dir;
    writeFile(dir / "plain.png", "x", 0644);
    writeFile(dir / "locked.png", "x", 0444);
    writeFile(dir / ".hidden", "x", 0644);
    ::symlink("nowhere", (dir / "dangling").c_str());
    struct Case {
        std::string path;
        DWORD expected;
    } cases[] = {
        {dir / "plain.png", FILE_ATTRIBUTE_NORMAL},
        {dir / "locked.png", FILE_ATTRIBUTE_READONLY},
        {dir / ".hidden", FILE_ATTRIBUTE_HIDDEN},
        {dir.path(), FILE_ATTRIBUTE_DIRECTORY},
        {dir / "dangling", FILE_ATTRIBUTE_REPARSE_POINT},
        {dir / "missing.png", INVALID_FILE_ATTRIBUTES},
        {dir / "plain.png/below", INVALID_FILE_ATTRIBUTES},
        {"", INVALID_FILE_ATTRIBUTES},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetFileAttributesA(c.path.c_str()), c.expected) << c.path;
}

TEST(RemoveDirectory, RemovesOnlyEmptyFolders)
{
    TempFolder dir;
    ::mkdir((dir / "empty").c_str(), 0755);
    ::mkdir((dir / "full").c_str(), 0755);
    writeFile(dir / "full/f", "x", 0644);
    EXPECT_TRUE(RemoveDirectoryA((dir / "empty").c_str()));
    EXPECT_FALSE(exists(dir / "empty"));
    EXPECT_FALSE(RemoveDirectoryA((dir / "full").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
    EXPECT_FALSE(RemoveDirectoryA((dir / "full/f").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
    EXPECT_TRUE(exists(dir / "full/f"));
}

TEST(SystemInfo, CountsTheProcessorsThisProcessMayUse)
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    cpu_set_t set;
    ASSERT_EQ(::sched_getaffinity(0, sizeof set, &set), 0);
    EXPECT_EQ(info.dwNumberOfProcessors, static_cast<DWORD>(CPU_COUNT(&set)));
    EXPECT_GT(info.dwPageSize, 0u);
}

} // namespace
