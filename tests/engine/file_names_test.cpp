#include "engine/compress_file.h"

#include <filesystem>
#include <unistd.h>

#include "engine_fixture.h"
#include "util/live_file.h"

using FileNamesTest = EngineTest;

// Every awkward name reaches the tool as one argument naming that file, and nothing else runs.
TEST_F(FileNamesTest, AwkwardNamesReachTheToolAsOneArgument)
{
    const std::string names[] = {
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
    std::vector<std::string> expected;
    for (const std::string& name : names) {
        writeFileOfSize(pics() + "/" + name, 100);
        expected.push_back("exiftool|-overwrite_original|-all=|" + pics() + "/" + name);
    }
    tools.install("exiftool", shrinkAction(1));

    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(pics().c_str()), 0);
    for (const std::string& name : names) {
        if (name[0] == '-')
            compressFile(surfaces, name, "", StepMode{false, false});
        else
            compressFile(surfaces, pics() + "/" + name, "", StepMode{false, false});
    }
    ASSERT_EQ(chdir(previous), 0);

    std::vector<std::string> calls = tools.calls();
    ASSERT_EQ(calls.size(), std::size(names));
    // The relative name starting with "-" is passed as "./-leading.jpg".
    EXPECT_EQ(calls[5], "exiftool|-overwrite_original|-all=|./-leading.jpg");
    calls[5] = expected[5];
    EXPECT_EQ(calls, expected);
    for (const std::string& name : names)
        EXPECT_EQ(fileSize(pics() + "/" + name), 99) << name;
    EXPECT_FALSE(std::filesystem::exists(pics() + "/pwned"));
    EXPECT_FALSE(std::filesystem::exists("pwned"));
}
