#include "engine/compress_file.h"

#include <filesystem>
#include <unistd.h>

#include "engine_fixture.h"
#include "support/work_copy.h"
#include "util/file_system.h"
#include "util/live_file.h"

using FileNamesTest = EngineTest;

// Every awkward name gets its file compressed through a work copy beside it, which reaches the
// tool as one argument, and nothing else runs.
TEST_F(FileNamesTest, AwkwardNamesReachTheToolAsOneArgument)
{
    const std::string awkward[] = {
        "with space.jpg",
        "quote\"inside.jpg",
        "dollar$(touch pwned).jpg",
        "back`touch pwned`.jpg",
        "semi;touch pwned.jpg",
        "-leading.jpg",
        "caf\xc3\xa9 \xe6\x97\xa5.jpg",
        "amp&&touch pwned.jpg",
        "percent%PATH%.jpg",
        "back\\slash\\.jpg",
        "'single'.jpg",
    };
    // Where a backslash separates (Windows), it and '"' cannot be in a name.
    std::vector<std::string> names;
    for (const std::string& name : awkward)
        if (!isSeparator('\\') || name.find_first_of("\"\\") == std::string::npos)
            names.push_back(name);
    for (const std::string& name : names)
        writeFileOfSize(pics() + "/" + name, 200);
    tools.install("exiftool", shrinkAction(1));

    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(pics().c_str()), 0);
    for (const std::string& name : names) {
        if (name[0] == '-')
            compressFile(context(surfaces), name, "", StepMode{false, false});
        else
            compressFile(context(surfaces), pics() + "/" + name, "", StepMode{false, false});
    }
    ASSERT_EQ(chdir(previous), 0);

    const std::vector<std::string> calls = tools.calls();
    ASSERT_EQ(calls.size(), names.size());
    const std::string prefix = "exiftool|" + stripCallArguments();
    for (std::size_t i = 0; i < calls.size(); ++i) {
        // The relative name starting with "-" gets its work folder in "." as "./.tarnwick-...".
        const std::string file = names[i][0] == '-' ? names[i] : pics() + "/" + names[i];
        ASSERT_TRUE(calls[i].starts_with(prefix)) << calls[i];
        EXPECT_TRUE(isWorkCopyOf(calls[i].substr(prefix.size()), file)) << calls[i];
    }
    for (const std::string& name : names)
        EXPECT_EQ(fileSize(pics() + "/" + name), 199) << name;
    EXPECT_EQ(workFoldersIn(pics()), std::vector<std::string>{});
    EXPECT_FALSE(std::filesystem::exists(pics() + "/pwned"));
    EXPECT_FALSE(std::filesystem::exists("pwned"));
}
