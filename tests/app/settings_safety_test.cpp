// The settings file is read only when it is a regular file of sane size, and a file written
// before an option existed loads unchanged.
#include "app/settings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <sys/stat.h>

#include "engine/engine_state.h"
#include "support/temp_folder.h"
#include "util/live_file.h"

namespace {

class SettingsSafetyTest : public ::testing::Test {
protected:
    // Loads in the background so a hang fails the test instead of stalling it.
    bool loadsWithin(const std::string& path, std::chrono::seconds limit)
    {
        auto done = std::async(std::launch::async,
                               [this, path] { options = loadSettingsFrom(path, options); });
        const bool finished = done.wait_for(limit) == std::future_status::ready;
        if (!finished)
            done.wait(); // nothing else to do: the hang is the failure
        return finished;
    }

    // The options as the program would hold them: loaded, toggled and saved.
    OptionValues options;
    TempFolder temp;
};

} // namespace

TEST_F(SettingsSafetyTest, APipeADeviceOrAnOversizedFileIsNotReadAndKeepsTheDefaults)
{
    const std::string pipe = temp.file("pipe.config");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string device = temp.file("zero.config");
    std::filesystem::create_symlink("/dev/zero", device);
    const std::string big = temp.file("big.config");
    writeFile(big, "{\"Full\":false," + std::string(settingsSizeLimit, ' ') + "}");

    for (const std::string& path : {pipe, device, big}) {
        SCOPED_TRACE(path);
        ASSERT_TRUE(loadsWithin(path, std::chrono::seconds(5)));
        EXPECT_TRUE(options[Option::Full]);
        // Not ours to delete: only a file the parser rejects is removed.
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(path)));
    }
}

TEST_F(SettingsSafetyTest, KeepDatesIsStoredLastAndOlderFilesLoadWithItsDefault)
{
    const std::string path = temp.file("Tarnwick.config");
    writeFile(path, "{\"Full\":false,\"HogSystem\":true}");
    options[Option::KeepDates] = true;

    options = loadSettingsFrom(path, options);

    EXPECT_FALSE(options[Option::Full]);
    EXPECT_TRUE(options[Option::HogSystem]);
    EXPECT_TRUE(options[Option::KeepDates]) << "a key the file lacks keeps the value it had";
    ASSERT_TRUE(saveSettingsTo(path, options));
    EXPECT_TRUE(
        readFile(path).ends_with(",\"HogSystem\":true,\"KeepDates\":true,\"Optimize\":false}"))
        << readFile(path);
}
