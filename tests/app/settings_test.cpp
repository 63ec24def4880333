#include "app/settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <unistd.h>

#include "engine/engine_state.h"
#include "support/temp_folder.h"
#include "util/live_file.h"

namespace {

const char* defaultText =
    "{\"Full\":true,\"Strip\":true,\"Copy\":true,\"Apps\":false,\"Pngs\":true,"
    "\"Tifs\":true,\"Jpgs\":true,\"Gifs\":true,\"Pdfs\":true,"
    "\"HogSystem\":false,\"KeepDates\":false,\"Optimize\":false}";

class SettingsTest : public ::testing::Test {
protected:
    // The options as the program would hold them: loaded, toggled and saved.
    OptionValues options;
    TempFolder temp;
    const std::string path = temp.file("Tarnwick.config");
};

} // namespace

TEST_F(SettingsTest, DefaultsAreSavedAsOneCompactLine)
{
    ASSERT_TRUE(saveSettingsTo(path, options));
    EXPECT_EQ(readFile(path), defaultText);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(SettingsTest, SavedFlagsComeBackAndReplaceTheOldFile)
{
    writeFile(path, "{\"Full\":true} // an old file with a comment");
    options[Option::Full] = false;
    options[Option::HogSystem] = true;
    options[Option::Apps] = true;
    ASSERT_TRUE(saveSettingsTo(path, options));
    options = OptionValues();

    options = loadSettingsFrom(path, options);

    EXPECT_FALSE(options[Option::Full]);
    EXPECT_TRUE(options[Option::HogSystem]);
    EXPECT_TRUE(options[Option::Apps]);
    EXPECT_TRUE(options[Option::Strip]);
    EXPECT_EQ(readFile(path).find("comment"), std::string::npos);
}

TEST_F(SettingsTest, FilesAreReadAsJsonWithDefaultsForMissingKeys)
{
    const struct {
        const char* text;
        bool full, strip, hog;
    } cases[] = {
        {"{\"Full\":false}", false, true, false},
        {"{\"full\":false,\"STRIP\":false}", true, true, false},
        {"{\"Full\":false,\"Full\":true}", false, true, false},
        {"{\n\t// formatted\n\t\"HogSystem\" : true,\n\t/* block */ \"Strip\":\tfalse,\n"
         "\t\"Other\": [1, 2]\n}\n",
         true, false, true},
    };
    for (const auto& c : cases) {
        options = OptionValues();
        writeFile(path, c.text);
        options = loadSettingsFrom(path, options);
        EXPECT_EQ(options[Option::Full], c.full) << c.text;
        EXPECT_EQ(options[Option::Strip], c.strip) << c.text;
        EXPECT_EQ(options[Option::HogSystem], c.hog) << c.text;
        EXPECT_TRUE(std::filesystem::exists(path)) << c.text;
    }
}

TEST_F(SettingsTest, RejectedFileIsDeletedAndDefaultsApply)
{
    for (const char* text : {"", "hello", "{\"Full\":false", "   "}) {
        options[Option::Full] = false;
        writeFile(path, text);
        options = loadSettingsFrom(path, options);
        EXPECT_FALSE(std::filesystem::exists(path)) << '"' << text << '"';
        EXPECT_FALSE(options[Option::Full]) << "a rejected file changes no flag";
    }
    options = OptionValues();
    options = loadSettingsFrom(temp.file("absent.config"), options);
    EXPECT_TRUE(options[Option::Full]);
    EXPECT_FALSE(std::filesystem::exists(temp.file("absent.config")));
}

TEST_F(SettingsTest, FailedSaveLeavesTheOldFileAsItWas)
{
    writeFile(path, "{\"Full\":false}");
    // The temporary file cannot be made where a folder of its name stands.
    std::filesystem::create_directories(path + ".new/x");
    EXPECT_FALSE(saveSettingsTo(path, options));
    EXPECT_EQ(readFile(path), "{\"Full\":false}");
    EXPECT_FALSE(saveSettingsTo(temp.file("no/such/folder/Tarnwick.config"), options));
}

TEST(ProgramFolderTest, IsTheFolderOfTheRunningProgram)
{
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    ASSERT_GT(length, 0);
    const std::string self(buffer, static_cast<std::size_t>(length));
    EXPECT_EQ(programFolder(), self.substr(0, self.find_last_of('/')));
    EXPECT_EQ(settingsFilePath(), programFolder() + "/Tarnwick.config");
}
