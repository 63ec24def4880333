// Where the settings file lives: next to a program whose folder is writable, else in the user's
// config folder; a save that fails says so on standard error.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "app/settings.h"
#include "app/settings_files.h"
#include "engine/engine_state.h"
#include "support/temp_folder.h"

namespace {

// Sets an environment variable for the life of the object (unsets it for a null value).
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name(name)
    {
        if (const char* old = std::getenv(name))
            saved = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (saved)
            setenv(name, saved->c_str(), 1);
        else
            unsetenv(name);
    }

private:
    const char* name;
    std::optional<std::string> saved;
};

class SettingsPlaceTest : public ::testing::Test {
protected:
    // The options as the program would hold them: loaded, toggled and saved.
    OptionValues options;
    TempFolder temp;
    ScopedEnv configHome{"XDG_CONFIG_HOME", temp.file("config").c_str()};
    ScopedEnv home{"HOME", temp.file("home").c_str()};
};

} // namespace

TEST_F(SettingsPlaceTest, WritableProgramFolderKeepsTheFileNextToTheProgram)
{
    std::filesystem::create_directories(temp.file("portable"));
    EXPECT_EQ(settingsFileFor(temp.file("portable")), temp.file("portable/Tarnwick.config"));
}

TEST_F(SettingsPlaceTest, ReadOnlyProgramFolderUsesTheUsersConfigFolder)
{
    const std::string user = temp.file("config/tarnwick/Tarnwick.config");
    // An installed program's folder, as far as this process can tell: missing or read-only.
    EXPECT_EQ(settingsFileFor(temp.file("no such folder")), user);
    std::filesystem::create_directories(temp.file("installed"));
    chmod(temp.file("installed").c_str(), 0555);
    if (access(temp.file("installed").c_str(), W_OK) != 0) { // root may write anywhere
        EXPECT_EQ(settingsFileFor(temp.file("installed")), user);
    }
    chmod(temp.file("installed").c_str(), 0755);
    EXPECT_EQ(settingsFileFor(""), user);
}

TEST(SystemFolderTest, InstalledProgramFoldersAreSystemFoldersOthersAreNot)
{
    const struct {
        const char* folder;
        bool system;
    } rows[] = {
        {"/usr/bin", true},
        {"/usr", true},
        {"/usr/local/bin", true},
        {"/usr/lib/tarnwick/", true},
        {"/opt/tarnwick/bin", true},
        {"/bin", true},
        {"/sbin", true},
        {"/home/me/../../usr/bin", true},
        {"/usrlocal/bin", false},
        {"/optional/tarnwick", false},
        {"/binaries", false},
        {"/home/me/tarnwick", false},
        {"/tmp", false},
        {"/", false},
        {"relative/usr/bin", false},
        {"", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(isSystemFolder(row.folder), row.system) << row.folder;
}

TEST(SystemFolderTest, TheInstallPrefixIsASystemFolder)
{
    const std::string prefix = TARNWICK_INSTALL_PREFIX;
    ASSERT_TRUE(prefix.size() > 1 && prefix[0] == '/') << prefix;
    EXPECT_TRUE(isSystemFolder(prefix + "/bin"));
}

TEST_F(SettingsPlaceTest, SystemFolderUsesTheUsersConfigFolderEvenWhenWritable)
{
    // Root may write to /usr/bin; a file left there would outlive the package's removal.
    EXPECT_EQ(settingsFileFor("/usr/bin"), temp.file("config/tarnwick/Tarnwick.config"));
    EXPECT_EQ(settingsFileFor("/opt/tarnwick"), temp.file("config/tarnwick/Tarnwick.config"));
}

TEST_F(SettingsPlaceTest, ConfigFolderFallsBackToHomeWhenXdgIsUnsetOrRelative)
{
    for (const char* value : {static_cast<const char*>(nullptr), "", "relative/config"}) {
        ScopedEnv xdg("XDG_CONFIG_HOME", value);
        EXPECT_EQ(userSettingsFolder(), temp.file("home/.config/tarnwick"))
            << (value ? value : "(unset)");
    }
    ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
    ScopedEnv noHome("HOME", nullptr);
    EXPECT_EQ(userSettingsFolder(), "");
    EXPECT_EQ(settingsFileFor(temp.file("no such folder")), "");
}

TEST_F(SettingsPlaceTest, SaveCreatesTheConfigFolderAndLoadReadsItBack)
{
    const std::string path = settingsFileFor(temp.file("no such folder"));
    options[Option::Full] = false;
    options[Option::Apps] = true;
    ASSERT_TRUE(saveSettingsCreatingFolder(path, options));
    EXPECT_EQ(readFile(path), settingsText(options));
    options = OptionValues();
    options = loadSettingsFrom(path, options);
    EXPECT_FALSE(options[Option::Full]);
    EXPECT_TRUE(options[Option::Apps]);
}

TEST_F(SettingsPlaceTest, FailedSaveIsReportedWithPathAndReason)
{
    // A file where the config folder should be: neither it nor anything under it can be made.
    writeFile(temp.file("config"), "not a folder");
    const std::string path = settingsFileFor(temp.file("no such folder"));

    testing::internal::CaptureStderr();
    EXPECT_FALSE(saveSettingsCreatingFolder(path, options));
    const std::string folderError = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(folderError.starts_with("tarnwick: cannot save settings to " + path + ": "))
        << folderError;
    EXPECT_TRUE(folderError.ends_with("\n"));
    EXPECT_GT(folderError.size(), ("tarnwick: cannot save settings to " + path + ": \n").size());

    const std::string missing = temp.file("gone/Tarnwick.config");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(saveSettingsTo(missing, options));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "tarnwick: cannot save settings to " + missing + ": No such file or directory\n");
}
