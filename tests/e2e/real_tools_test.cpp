// The real optimizers on real images made here: every image decodes to the same pixels
// afterwards, none grew, and the backup holds the originals.
#include <filesystem>

#include "program_fixture.h"
#include "support/work_copy.h"
#include "util/live_file.h"

namespace fs = std::filesystem;

namespace {

// Pixels that differ between two images, as ImageMagick counts them; -1 when it cannot tell.
long long differingPixels(const std::string& a, const std::string& b)
{
    const ProgramRun result = runProgram(findOnPath("compare"), {"-metric", "AE", a, b, "null:"});
    if (result.exitStatus != 0 && result.exitStatus != 1)
        return -1;
    try {
        return std::stoll(result.err);
    } catch (...) {
        return -1;
    }
}

bool makeImage(const std::vector<std::string>& arguments)
{
    return runProgram(findOnPath("convert"), arguments).exitStatus == 0;
}

} // namespace

using RealToolsTest = ProgramTest;

TEST_F(RealToolsTest, ImagesKeepEveryPixelAndNeverGrow)
{
    for (const char* tool : {"convert", "compare", "pngcrush", "optipng", "exiftool"})
        if (findOnPath(tool).empty())
            GTEST_SKIP() << tool << " is not installed";

    const std::string images = temp.file("my images");
    const std::vector<std::string> names = {"photo one.png", "pic $(touch x);`y`.jpg",
                                            "sub/deep/-plasma.png", "sub/anim.gif"};
    fs::create_directories(images + "/sub/deep");
    ASSERT_TRUE(makeImage({"-size", "96x64", "gradient:red-blue", "-set", "comment",
                           "made by the test", images + "/" + names[0]}));
    ASSERT_TRUE(makeImage({"-size", "80x60", "gradient:yellow-green", "-quality", "90", "-set",
                           "comment", "a jpeg comment", images + "/" + names[1]}));
    ASSERT_TRUE(
        makeImage({"-size", "64x64", "xc:white", "-fill", "black", "-draw", "circle 32,32 32,10",
                   "-set", "comment", "hello", images + "/" + names[2]}));
    ASSERT_TRUE(makeImage(
        {"-size", "32x32", "xc:red", "-set", "comment", "gif comment", images + "/" + names[3]}));
    const std::string reference = temp.file("reference");
    fs::copy(images, reference, fs::copy_options::recursive);

    const ProgramRun result = run({images});

    ASSERT_EQ(result.exitStatus, 0) << result.out << result.err;
    // pngout is not packaged for Debian: the log says so, and what stands in for it.
    const char* pngoutLine = findOnPath("zopflipng").empty()
                                 ? "Tool not found: pngout (its step leaves files unchanged)\n"
                                 : "Tool not found: pngout (zopflipng stands in for it)\n";
    EXPECT_NE(result.out.find(pngoutLine), std::string::npos) << result.out;
    for (const std::string& name : names) {
        const std::string before = reference + "/" + name;
        const std::string after = images + "/" + name;
        EXPECT_EQ(differingPixels(before, after), 0) << name;
        EXPECT_LE(fileSize(after), fileSize(before)) << name;
    }
    EXPECT_LT(fileSize(images + "/" + names[0]), fileSize(reference + "/" + names[0]));
    // The tools worked in private folders beside the files, and none is left.
    EXPECT_EQ(workFoldersIn(images), std::vector<std::string>{});
    EXPECT_FALSE(fs::exists(temp.file("x")));
    EXPECT_FALSE(fs::exists(programFolder() + "/x"));

    // The default options back up the originals beside the folder first.
    int backups = 0;
    for (const auto& entry : fs::directory_iterator(temp.path())) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with("my imagesBackup_"))
            continue;
        ++backups;
        for (const std::string& image : names)
            EXPECT_EQ(readFile(entry.path().string() + "/" + image),
                      readFile(reference + "/" + image))
                << image;
    }
    EXPECT_EQ(backups, 1);
}

// The real packer on a real program: its result is kept only when it unpacks to the original,
// which it does for an ELF executable; the packed program still runs.
TEST_F(RealToolsTest, PackedProgramUnpacksToTheOriginalAndRuns)
{
    if (findOnPath("upx").empty())
        GTEST_SKIP() << "upx is not installed";
    const std::string gifsicle = findOnPath("gifsicle");
    if (gifsicle.empty())
        GTEST_SKIP() << "gifsicle (the program packed here) is not installed";
    const std::string program = temp.file("bin/gifsicle.exe");
    fs::create_directories(temp.file("bin"));
    fs::copy_file(gifsicle, program);
    const std::int64_t before = fileSize(program);
    writeFile(settingsFile(), "{\"Copy\":false,\"Full\":false,\"Strip\":false,"
                              "\"HogSystem\":false,\"Optimize\":false}");

    const ProgramRun result = run({program});

    ASSERT_EQ(result.exitStatus, 0) << result.out << result.err;
    EXPECT_EQ(result.out.find("Step undone"), std::string::npos) << result.out;
    EXPECT_LT(fileSize(program), before) << result.out;
    EXPECT_EQ(runProgram(program, {"--version"}).exitStatus, 0);
}
