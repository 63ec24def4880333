// Pipes, links and devices in a walked folder: Linux only.
#include "engine/file_collection.h"

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

#include "engine_fixture.h"

namespace fs = std::filesystem;

namespace {

using Paths = std::vector<std::string>;

// The bare names of paths, in order.
Paths names(const Paths& paths)
{
    Paths result;
    for (const std::string& path : paths)
        result.push_back(path.substr(path.find_last_of("/\\") + 1));
    return result;
}

} // namespace

using FileCollectionTest = EngineTest;

TEST_F(FileCollectionTest, OnlyRegularFilesOutsideTheEnginesTemporaryNamesAreCollected)
{
    writeFileOfSize(pics() + "/a.png", 10);
    writeFileOfSize(pics() + "/" + workFolderPrefix + "a.png", 10);
    writeFileOfSize(pics() + "/sub/" + workFolderPrefix + "work/b.png", 10);
    writeFileOfSize(pics() + "/sub/.hidden.png", 10);
    ASSERT_EQ(::mkfifo((pics() + "/pipe.png").c_str(), 0600), 0);
    fs::create_symlink(pics() + "/pipe.png", pics() + "/to-pipe.png");
    fs::create_symlink(pics() + "/a.png", pics() + "/to-file.png");
    fs::create_symlink("/dev/zero", pics() + "/to-device.png");

    EXPECT_EQ(names(collectFiles(pics(), state.options.snapshot()).paths()),
              (Paths{"a.png", ".hidden.png"}));

    // The prefix counts only below the walked folder: a folder so named may itself be walked.
    const std::string named = temp.file(std::string(workFolderPrefix) + "pics");
    writeFileOfSize(named + "/c.png", 10);
    EXPECT_EQ(collectFiles(named, state.options.snapshot()).paths(), Paths{named + "/c.png"});
}
