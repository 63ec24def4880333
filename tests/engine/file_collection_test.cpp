#include "engine/file_collection.h"

#include <algorithm>
#include <filesystem>

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

TEST_F(FileCollectionTest, SuffixesMatchInAnyCaseAndKeepTheKindOrder)
{
    state.options[Option::Strip] = true;
    state.options[Option::Apps] = true;
    for (const char* name : {"IMG_0001.JPG", "UPPER.PNG", "scan.Tiff", "scan.TIF", "low.png",
                             "sub/Mixed.pNg", "Doc.PDF", "Anim.GIF", "SETUP.EXE", "Lib.Dll",
                             "photo.JPEG", "note.TXT", "sub/PNG", "archive.png.zip"})
        writeFileOfSize(pics() + "/" + name, 10);

    const Paths files = collectFiles(pics(), state.options.snapshot()).paths();

    // Within a kind the walk's own order decides, so each kind is compared as a set.
    const std::vector<Paths> kinds = {{"UPPER.PNG", "low.png", "Mixed.pNg"},
                                      {"scan.TIF"},
                                      {"scan.Tiff"},
                                      {"photo.JPEG"},
                                      {"IMG_0001.JPG"},
                                      {"Doc.PDF"},
                                      {"Anim.GIF"},
                                      {"SETUP.EXE"},
                                      {"Lib.Dll"}};
    Paths got = names(files);
    std::size_t at = 0;
    for (const Paths& kind : kinds) {
        ASSERT_LE(at + kind.size(), got.size());
        Paths part(got.begin() + static_cast<std::ptrdiff_t>(at),
                   got.begin() + static_cast<std::ptrdiff_t>(at + kind.size()));
        std::sort(part.begin(), part.end());
        Paths expected = kind;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(part, expected);
        at += kind.size();
    }
    EXPECT_EQ(at, got.size());
}
