// Work folders and file replacement on Windows: the folder beside the file, results that keep the
// original's attributes and dates, hard links kept, and what a killed run left finished and gone.
#include "engine/work_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "engine/content_hash.h"
#include "engine/file_queries.h"
#include "support/temp_folder.h"
#include "util/file_system.h"
#include "util/live_file.h"

namespace {

FILETIME writeTimeOf(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

void setWriteTime(const std::string& path, std::uint64_t value)
{
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    FILETIME time{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

// Which file path is, as a rewrite note names it: volume serial and file index.
std::string noteIdentity(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    const unsigned long long index =
        (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(index);
}

bool sameTime(const FILETIME& a, const FILETIME& b)
{
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// A process id no process has: one that ran and ended.
DWORD endedProcessId()
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    char line[] = "cmd.exe /c exit 0";
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process))
        return 0;
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return process.dwProcessId;
}

} // namespace

TEST(WorkFolderWindowsTest, FolderSitsBesideTheFileAndGoesWithEverythingInIt)
{
    TempFolder temp;
    const std::string image = temp.write("pics/a.png");
    std::string made;
    {
        WorkFolder work(image);
        ASSERT_TRUE(work.ok()) << work.error();
        const std::string file = work.file("-out");
        made = parentFolder(file);
        EXPECT_EQ(parentFolder(made), temp.path("pics"));
        const std::string name = made.substr(made.find_last_of('\\') + 1);
        EXPECT_TRUE(isWorkFolderName(name)) << name;
        EXPECT_EQ(
            name.rfind(std::string(workFolderPrefix) + std::to_string(GetCurrentProcessId()) + "-",
                       0),
            0u);
        EXPECT_EQ(file, made + "\\work-out.png");
        writeFile(file, "result");
        EXPECT_EQ(copyFileExclusive(image, work.file("")), "");
        EXPECT_NE(copyFileExclusive(image, work.file("")), ""); // never over an existing file
        EXPECT_NE(copyFileExclusive(temp.path("pics"), work.file("-2")), "");
    }
    EXPECT_FALSE(directoryExists(made));
}

TEST(WorkFolderWindowsTest, ReplacementKeepsAttributesAndDatesWhenAsked)
{
    TempFolder temp;
    const std::string image = temp.write("a.png", "original content");
    setWriteTime(image, 130000000000000000ULL);
    const FILETIME before = writeTimeOf(image);
    ASSERT_TRUE(SetFileAttributesA(image.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    const std::string result = temp.write("result.png", "smaller");

    EXPECT_EQ(replaceFile(image, result, true), "");
    EXPECT_EQ(readFile(image), "smaller");
    EXPECT_FALSE(isRegularFile(result));
    EXPECT_EQ(GetFileAttributesA(image.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY),
              DWORD{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY});
    EXPECT_TRUE(sameTime(writeTimeOf(image), before));

    const std::string other = temp.write("b.png", "old");
    setWriteTime(other, 130000000000000000ULL);
    EXPECT_EQ(replaceFile(other, temp.write("r2.png", "new"), false), "");
    EXPECT_EQ(readFile(other), "new");
    EXPECT_FALSE(sameTime(writeTimeOf(other), before));

    EXPECT_NE(replaceFile(temp.makeFolder("folder"), temp.write("r3.png", "x"), false), "");
    EXPECT_NE(replaceFile(temp.path("missing.png"), temp.path("r3.png"), false), "");
}

TEST(WorkFolderWindowsTest, AFileWithTwoNamesIsRewrittenInPlace)
{
    TempFolder temp;
    const std::string image = temp.write("a.png", "original content");
    const std::string second = temp.path("same.png");
    ASSERT_TRUE(CreateHardLinkA(second.c_str(), image.c_str(), nullptr));
    WorkFolder work(image);
    ASSERT_TRUE(work.ok());
    const std::string result = work.file("-out");
    writeFile(result, "smaller");

    EXPECT_EQ(replaceFile(image, result, false), "");
    EXPECT_EQ(readFile(image), "smaller");
    EXPECT_EQ(readFile(second), "smaller");
    EXPECT_EQ(fileIdentity(image), fileIdentity(second));
}

TEST(WorkFolderWindowsTest, LeftoversOfEndedRunsAreFinishedAndRemovedOthersStay)
{
    TempFolder temp;
    const DWORD ended = endedProcessId();
    ASSERT_NE(ended, 0u);
    const std::string dead = std::string(workFolderPrefix) + std::to_string(ended) + "-abcdef";
    // Killed after the result's first five bytes went over the original's.
    const std::string target = temp.write("sub/a.png", "wholeNAL-CONTENT");
    temp.write("sub/" + dead + "/work-out.png", "whole result");
    temp.write("sub/" + dead + "/work-rewrite-original", "ORIGINAL-CONTENT");
    temp.write("sub/" + dead + "/work-rewrite",
               "a.png\nwork-out.png\n" + noteIdentity(target) + "\n");
    const std::string strange = std::string(workFolderPrefix) + std::to_string(ended) + "-ghijkl";
    temp.write("sub/" + strange + "/notes.txt");
    const std::string mine =
        std::string(workFolderPrefix) + std::to_string(GetCurrentProcessId()) + "-mnopqr";
    temp.write("sub/" + mine + "/work.png");

    removeLeftoverWorkFolders(temp.path(), false);
    EXPECT_TRUE(directoryExists(temp.path("sub/" + dead))); // not recursive: sub is not looked at
    EXPECT_TRUE(removeLeftoverWorkFolders(temp.path(), true).empty());
    EXPECT_FALSE(directoryExists(temp.path("sub/" + dead)));
    EXPECT_EQ(readFile(target), "whole result");
    EXPECT_TRUE(directoryExists(temp.path("sub/" + strange)));
    EXPECT_TRUE(directoryExists(temp.path("sub/" + mine)));
}

TEST(WorkFolderWindowsTest, FileQueriesSeeFilesFoldersAndRoots)
{
    TempFolder temp;
    const std::string file = temp.write("a.png", "abc");
    EXPECT_TRUE(isRegularFileBehindLinks(file));
    EXPECT_FALSE(isRegularFileBehindLinks(temp.path()));
    EXPECT_FALSE(isRegularFileBehindLinks(temp.path("missing")));
    EXPECT_FALSE(isLink(file));
    EXPECT_TRUE(isFileSystemRoot("C:\\"));
    EXPECT_FALSE(isFileSystemRoot(temp.path()));
    EXPECT_EQ(makeNewFolder(temp.path("new"), false), NewFolder::made);
    EXPECT_EQ(makeNewFolder(temp.path("new"), false), NewFolder::nameTaken);
    EXPECT_EQ(makeNewFolder(file, false), NewFolder::failed);
    EXPECT_EQ(contentHash(file), textHash("abc"));
    EXPECT_EQ(contentHash(temp.path()), "");
    EXPECT_EQ(fileIdentity(temp.path("missing")), "-");
    const std::string before = fileIdentity(file);
    writeFile(file, "abcd");
    EXPECT_NE(fileIdentity(file), before);
}
