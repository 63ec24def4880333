// The names of one file (hard links) in one job: the file is worked once, under its first name,
// and its saving is counted once, whether the files go one after another or to the pool.
#include <filesystem>
#include <sys/stat.h>

#include "engine_fixture.h"
#include "util/live_file.h"

namespace {

class LinkedNamesTest : public EngineTest, public ::testing::WithParamInterface<bool> {};

int occurrences(const std::string& text, const std::string& part)
{
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

} // namespace

TEST_P(LinkedNamesTest, SixNamesOfOnePictureAreCompressedAndCountedOnce)
{
    const bool hog = GetParam();
    state.options[Option::HogSystem] = hog;
    state.options[Option::Strip] = false;
    state.options[Option::Full] = false;
    tools.install("pngout", shrinkAction(1000));
    const std::string first = pics() + "/a.png";
    writeFileOfSize(first, 8000);
    for (const char* name : {"b.png", "c.png", "sub/d.png", "sub/e.png", "z.png"}) {
        std::filesystem::create_directories(pics() + "/sub");
        std::filesystem::create_hard_link(first, pics() + "/" + name);
    }
    writeFileOfSize(pics() + "/single.png", 5000);

    runJob(surfaces, {pics()});

    int pngoutCalls = 0;
    for (const std::string& call : tools.calls())
        pngoutCalls += call.rfind("pngout|", 0) == 0;
    EXPECT_EQ(pngoutCalls, 2) << "the linked file once, the single file once";
    EXPECT_EQ(state.totalSaved, 2000);
    EXPECT_EQ(fileSize(first), 7000);
    EXPECT_EQ(fileSize(pics() + "/sub/e.png"), 7000);
    struct stat info {};
    ASSERT_EQ(::stat(first.c_str(), &info), 0);
    EXPECT_EQ(info.st_nlink, 6u);
    // The pool writes no lines of its own per file.
    EXPECT_EQ(occurrences(surfaces.log(), "): another name of "), hog ? 0 : 5);
    if (!hog) {
        EXPECT_EQ(occurrences(surfaces.log(), "Skipping sub/e.png (6.836 KB): another name of "), 1)
            << surfaces.log();
    }
}

INSTANTIATE_TEST_SUITE_P(OneAfterAnotherAndPooled, LinkedNamesTest, ::testing::Bool());
