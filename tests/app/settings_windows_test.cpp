// Where the settings and the caller's paths live on Windows: next to the program when its folder
// takes files, else in APPDATA; relative paths join the caller's folder with a backslash.
#include "app/command_line.h"
#include "app/settings.h"
#include "app/settings_files.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(userSettingsFolder(), temp.path("roaming\\Tarnwick"));
    EXPECT_EQ(settingsFileFor(temp.path("no such folder")),
              temp.path("roaming\\Tarnwick\\Tarnwick.config"));
    setenv("APPDATA", saved.c_str(), 1);
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
