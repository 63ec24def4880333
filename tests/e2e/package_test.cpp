// The Debian package as apt would install it: built with CPack from this build, unpacked into a
// throwaway root, its files checked and its program run on a sample image with the real tools.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "app/arguments.h"
#include "app/man_page.h"
#include "program_fixture.h"
#include "util/live_file.h"

namespace fs = std::filesystem;

namespace {

std::string trimmedOutput(const ProgramRun& run)
{
    std::string text = run.out;
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

class PackageTest : public ::testing::Test {
protected:
    // Built once for all tests; an empty deb means it could not be built (said in `problem`).
    static void SetUpTestSuite()
    {
        if (findOnPath("dpkg-deb").empty() || findOnPath("dpkg").empty() ||
            findOnPath("dpkg-shlibdeps").empty()) {
            problem = "skip";
            return;
        }
        folder = std::make_unique<TempFolder>();
        const ProgramRun built =
            runProgram(TARNWICK_CPACK,
                       {"-G", "DEB", "-B", folder->file("out"), "--config",
                        std::string(TARNWICK_BUILD_DIR) + "/CPackConfig.cmake"},
                       TARNWICK_BUILD_DIR);
        if (built.exitStatus != 0) {
            problem = "cpack failed:\n" + built.out + built.err;
            return;
        }
        for (const fs::directory_entry& entry : fs::directory_iterator(folder->file("out")))
            if (entry.path().extension() == ".deb")
                deb = entry.path().string();
        if (deb.empty()) {
            problem = "cpack made no .deb:\n" + built.out;
            return;
        }
        const ProgramRun unpacked = runProgram(findOnPath("dpkg"), {"-x", deb, root()});
        if (unpacked.exitStatus != 0)
            problem = "dpkg -x failed:\n" + unpacked.err;
    }
    static void TearDownTestSuite() { folder.reset(); }

    void SetUp() override
    {
        if (problem == "skip")
            GTEST_SKIP() << "dpkg-deb or dpkg-shlibdeps (dpkg-dev) is not installed";
        ASSERT_EQ(problem, "");
    }

    static std::string root() { return folder->file("root"); }

    static std::string field(const std::string& name)
    {
        return trimmedOutput(runProgram(findOnPath("dpkg-deb"), {"-f", deb, name}));
    }

    static std::unique_ptr<TempFolder> folder;
    static std::string deb;
    static std::string problem;
};

std::unique_ptr<TempFolder> PackageTest::folder;
std::string PackageTest::deb;
std::string PackageTest::problem;

} // namespace

TEST_F(PackageTest, IsNamedAndDescribedForApt)
{
    const std::string arch =
        trimmedOutput(runProgram(findOnPath("dpkg"), {"--print-architecture"}));
    EXPECT_EQ(fs::path(deb).filename().string(), "tarnwick_" TARNWICK_VERSION "_" + arch + ".deb");
    EXPECT_EQ(field("Package"), "tarnwick");
    EXPECT_EQ(field("Version"), TARNWICK_VERSION);

    // The shared libraries the program links, as dpkg-shlibdeps found them.
    const std::string depends = field("Depends");
    EXPECT_NE(depends.find("libc6"), std::string::npos) << depends;
    EXPECT_NE(depends.find("libstdc++6"), std::string::npos) << depends;
#ifdef TARNWICK_WITH_GTK
    EXPECT_NE(depends.find("libgtk-3-0"), std::string::npos) << depends;
#endif
    const std::string recommends = field("Recommends");
    for (const char* tool : {"pngcrush", "optipng", "libimage-exiftool-perl", "libjpeg-turbo-progs",
                             "gifsicle", "qpdf"})
        EXPECT_NE(recommends.find(tool), std::string::npos) << recommends;
    // Nothing the tests need is forced on users.
    for (const std::string& relations : {depends, recommends})
        for (const char* testOnly : {"gtest", "gmock", "xvfb", "xdotool", "imagemagick", "clang"})
            EXPECT_EQ(relations.find(testOnly), std::string::npos) << relations;
}

TEST_F(PackageTest, InstallsProgramDesktopEntryIconMetadataAndManualPage)
{
    const std::string usr = root() + "/usr";
    EXPECT_EQ(access((usr + "/bin/tarnwick").c_str(), X_OK), 0);
    for (const char* file :
         {"/share/applications/tarnwick.desktop", "/share/icons/hicolor/scalable/apps/tarnwick.svg",
          "/share/metainfo/org.tarnwick.tarnwick.metainfo.xml", "/share/man/man1/tarnwick.1.gz",
          "/share/doc/tarnwick/copyright", "/share/doc/tarnwick/changelog.gz"})
        EXPECT_GT(fileSize(usr + file), 0) << file;

    // The manual page says what this build's --help says.
    const ProgramRun manual =
        runProgram(findOnPath("gzip"), {"-dc", usr + "/share/man/man1/tarnwick.1.gz"});
    EXPECT_EQ(manual.exitStatus, 0) << manual.err;
    EXPECT_EQ(manual.out, manPage(usageText(), TARNWICK_VERSION));
    // The newest changelog entry is this version.
    const ProgramRun changelog =
        runProgram(findOnPath("gzip"), {"-dc", usr + "/share/doc/tarnwick/changelog.gz"});
    EXPECT_TRUE(changelog.out.starts_with("tarnwick (" TARNWICK_VERSION ") ")) << changelog.out;
    EXPECT_EQ(readFile(usr + "/share/applications/tarnwick.desktop"),
              readFile(TARNWICK_SOURCE_DIR "/packaging/tarnwick.desktop"));

    const std::string validate = findOnPath("desktop-file-validate");
    if (!validate.empty()) {
        const ProgramRun checked =
            runProgram(validate, {usr + "/share/applications/tarnwick.desktop"});
        EXPECT_EQ(checked.exitStatus, 0) << checked.out << checked.err;
    }
    const std::string appstream = findOnPath("appstreamcli");
    if (!appstream.empty()) {
        const ProgramRun checked =
            runProgram(appstream, {"validate", "--no-net",
                                   usr + "/share/metainfo/org.tarnwick.tarnwick.metainfo.xml"});
        EXPECT_EQ(checked.exitStatus, 0) << checked.out << checked.err;
    }
}

TEST_F(PackageTest, InstalledProgramCompressesASamplePngWithTheRealTools)
{
    TempFolder work;
    fs::copy_file(TARNWICK_SOURCE_DIR "/sample/shapes.png", work.file("shapes.png"));
    const std::int64_t before = fileSize(work.file("shapes.png"));
    const std::string program = root() + "/usr/bin/tarnwick";

    const ProgramRun result = runProgram(program, {"--json", "shapes.png"}, work.path());

    EXPECT_EQ(result.exitStatus, 0) << result.err;
    const std::vector<std::string> lines = splitLines(result.out);
    ASSERT_EQ(lines.size(), 2u) << result.out << result.err;
    EXPECT_TRUE(lines[0].starts_with("{\"path\":\"" + work.file("shapes.png") + "\"")) << lines[0];
    EXPECT_NE(lines[0].find("\"status\":\"processed\""), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("\"processed\":1,"), std::string::npos) << lines[1];
    const std::string image = readFile(work.file("shapes.png"));
    EXPECT_TRUE(image.starts_with("\x89PNG\r\n\x1A\n"));
    if (!findOnPath("pngcrush").empty() || !findOnPath("optipng").empty()) {
        EXPECT_LT(fileSize(work.file("shapes.png")), before) << result.err;
        EXPECT_NE(result.err.find("Pass 1/3...  New Size: "), std::string::npos) << result.err;
    }

    // --tools finds the same tools the job ran.
    const ProgramRun tools = runProgram(program, {"--tools"}, work.path());
    EXPECT_EQ(tools.exitStatus, 0);
    const std::string pngcrush = findOnPath("pngcrush");
    if (!pngcrush.empty()) {
        EXPECT_TRUE(tools.out.starts_with("exiftool ")) << tools.out;
        EXPECT_NE(tools.out.find("pngcrush  " + pngcrush + "  pngcrush "), std::string::npos)
            << tools.out;
    }
}

TEST_F(PackageTest, PassesLintianWithoutErrors)
{
    const std::string lintian = findOnPath("lintian");
    if (lintian.empty())
        GTEST_SKIP() << "lintian is not installed (scripts/setup.sh --test installs it)";
    const ProgramRun checked = runProgram(lintian, {"--no-cfg", "--fail-on", "error", deb});
    std::string errors;
    for (const std::string& line : splitLines(checked.out + checked.err))
        if (line.starts_with("E: "))
            errors += line + "\n";
    EXPECT_EQ(errors, "") << checked.out << checked.err;
    // 1 would mean that lintian itself failed.
    EXPECT_EQ(checked.exitStatus, 0) << checked.out << checked.err;
}
