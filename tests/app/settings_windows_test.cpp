// Where the settings and the caller's paths live on Windows: next to the program when its folder
// takes files, else in APPDATA; relative paths join the caller's folder with a backslash.
#include "app/command_line.h"
#include "app/settings.h"
#include "app/settings_files.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include "support/environment.h"
#include "support/temp_folder.h"
#include "util/file_system.h"

TEST(WindowsPlacesTest, RelativePathsJoinTheCallersFolderWithABackslash)
{
    EXPECT_EQ(absoluteFrom("pics", "C:\\Users\\me"), "C:\\Users\\me\\pics");
    EXPECT_EQ(absoluteFrom(".\\pics", "C:\\Users\\me"), "C:\\Users\\me\\pics");
    EXPECT_EQ(absoluteFrom("./pics", "C:\\Users\\me\\"), "C:\\Users\\me\\pics");
    EXPECT_EQ(absoluteFrom(".", "C:\\Users\\me"), "C:\\Users\\me");
    EXPECT_EQ(absoluteFrom("D:\\pics", "C:\\Users\\me"), "D:\\pics");
    EXPECT_EQ(absoluteFrom("\\pics", "C:\\Users\\me"), "\\pics");
    EXPECT_EQ(absoluteFrom("pics", "C:\\"), "C:\\pics");
}

TEST(WindowsPlacesTest, SettingsSitNextToTheProgramWhenItsFolderTakesFiles)
{
    TempFolder temp;
    EXPECT_EQ(settingsFileFor(temp.path()), temp.path() + "\\Tarnwick.config");
    // Nothing is left behind by the look whether the folder takes files.
    std::vector<std::string> files;
    listFiles(temp.path(), files, false);
    EXPECT_TRUE(files.empty());

    const char* appData = std::getenv("APPDATA");
    const std::string saved = appData ? appData : "";
    setenv("APPDATA", temp.path("roaming").c_str(), 1);
    EXPECT_EQ(userSettingsFolder(), temp.path("roaming\\tarnwick"));
    EXPECT_EQ(settingsFileFor(temp.path("no such folder")),
              temp.path("roaming\\tarnwick\\Tarnwick.config"));
    setenv("APPDATA", saved.c_str(), 1);
}

namespace {

std::string knownFolder(int csidl)
{
    char path[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))
               ? std::string(path)
               : std::string();
}

} // namespace

TEST(WindowsPlacesTest, ProgramFilesAndWindowsAreSystemFoldersOthersAreNot)
{
    const std::string programFiles = knownFolder(CSIDL_PROGRAM_FILES);
    const std::string programFilesX86 = knownFolder(CSIDL_PROGRAM_FILESX86);
    const std::string windows = knownFolder(CSIDL_WINDOWS);
    ASSERT_FALSE(programFiles.empty());
    ASSERT_FALSE(windows.empty());
    TempFolder temp;
    const struct {
        std::string folder;
        bool system;
    } rows[] = {
        {programFiles + "\\Tarnwick", true},
        {programFiles, true},
        {programFiles + "\\", true},
        {programFilesX86 + "\\Tarnwick", true},
        {windows + "\\System32", true},
        {"c:\\program files/tarnwick", true},
        {programFiles + " Portable\\Tarnwick", false},
        {"C:\\Tools\\Tarnwick", false},
        {temp.path(), false},
        {"", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(isSystemFolder(row.folder), row.system) << row.folder;
}

TEST(WindowsPlacesTest, InstalledProgramKeepsItsSettingsInAppDataEvenWhereItMayWrite)
{
    // An administrator, and Wine's user, may write to Program Files; settings left there would
    // outlive the uninstall and be shared by every user.
    TempFolder temp;
    const std::string installed = knownFolder(CSIDL_PROGRAM_FILES) + "\\Tarnwick Settings Test";
    CreateDirectoryA(installed.c_str(), nullptr);
    const char* appData = std::getenv("APPDATA");
    const std::string saved = appData ? appData : "";
    setenv("APPDATA", temp.path("roaming").c_str(), 1);
    EXPECT_EQ(settingsFileFor(installed), temp.path("roaming\\tarnwick\\Tarnwick.config"));
    setenv("APPDATA", saved.c_str(), 1);
    RemoveDirectoryA(installed.c_str());
}

TEST(WindowsPlacesTest, OnlySmallRegularFilesAreReadAndSavedFilesReachTheDisk)
{
    TempFolder temp;
    std::string text;
    const std::string small = temp.write("small.config", "{\"Full\":false}");
    EXPECT_TRUE(readSmallRegularFile(small, 64, text));
    EXPECT_EQ(text, "{\"Full\":false}");
    EXPECT_FALSE(readSmallRegularFile(small, 4, text));
    EXPECT_FALSE(readSmallRegularFile(temp.path(), 64, text));
    EXPECT_FALSE(readSmallRegularFile(temp.path("missing"), 64, text));
    EXPECT_FALSE(readSmallRegularFile("NUL", 64, text));

    std::FILE* stream = std::fopen(temp.path("flushed").c_str(), "wb");
    ASSERT_NE(stream, nullptr);
    std::fputs("data", stream);
    std::fflush(stream);
    EXPECT_TRUE(flushToDisk(stream));
    std::fclose(stream);
}
