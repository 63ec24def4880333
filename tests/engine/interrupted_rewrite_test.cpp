// A hard-linked file is rewritten in place; a run killed during that rewrite leaves a note, and
// the next run over the folder finishes the rewrite from the checked result before it removes
// the work folder, but only while the file is still the one the note names, holding what the
// rewrite left.
#include "engine/compression_job.h"

#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "engine/interrupted_rewrite.h"
#include "engine_fixture.h"
#include "util/live_file.h"

namespace {

pid_t exitedProcess()
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}

std::string identityOf(const std::string& path)
{
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0);
    return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

// How often the log holds part.
int linesWith(const RecordingSurfaces& out, const std::string& part)
{
    const std::string log = out.log();
    int count = 0;
    for (std::size_t at = log.find(part); at != std::string::npos; at = log.find(part, at + 1))
        ++count;
    return count;
}

class InterruptedRewriteTest : public EngineTest {
protected:
    InterruptedRewriteTest()
    {
        state.options[Option::Strip] = false;
        state.options[Option::Full] = false;
        tools.install("pngout", ""); // leaves every file as it is
    }

    // What a run killed after writing the result's first `written` bytes over a.png (two names)
    // leaves: its work folder with the result, the original's copy and the note.
    void killDuringRewrite(std::size_t written)
    {
        writeFileOfSize(path, 8000);
        std::filesystem::create_hard_link(path, pics() + "/also a.png");
        original = readFile(path);
        writeFileOfSize(leftover + "/work.png", 6000);
        result = readFile(leftover + "/work.png");
        writeFile(leftover + "/" + rewriteOriginalName, original);
        writeFile(leftover + "/" + rewriteNoteName,
                  rewriteNoteText({"a.png", "work.png", identityOf(path)}));
        writeFile(path, result.substr(0, written) + original.substr(written));
    }

    const std::string path = pics() + "/a.png";
    const std::string leftover =
        pics() + "/.tarnwick-" + std::to_string(exitedProcess()) + "-abcdef";
    std::string original;
    std::string result;
};

} // namespace

TEST_F(InterruptedRewriteTest, TheNextRunFinishesAHalfWrittenHardLinkedFile)
{
    for (const std::size_t written : {std::size_t{0}, std::size_t{3000}, std::size_t{6000}}) {
        std::filesystem::remove_all(pics());
        killDuringRewrite(written);

        runJob(surfaces, {pics()});

        EXPECT_EQ(readFile(path), result) << written;
        EXPECT_EQ(readFile(pics() + "/also a.png"), result) << written;
        EXPECT_FALSE(std::filesystem::exists(leftover));
    }
    EXPECT_EQ(linesWith(surfaces, "interrupted rewrite"), 0);
}

TEST_F(InterruptedRewriteTest, ANewPictureSavedUnderTheNameSurvives)
{
    killDuringRewrite(3000);
    // The user's editor writes a new file and renames it over the name.
    writeFile(pics() + "/new.png", "a new picture");
    std::filesystem::rename(pics() + "/new.png", path);

    runJob(surfaces, {pics()});

    EXPECT_EQ(readFile(path), "a new picture");
    EXPECT_FALSE(std::filesystem::exists(leftover));
    EXPECT_EQ(linesWith(surfaces, "Not finishing the interrupted rewrite of a.png: the file "
                                  "changed since\r\n"),
              1);
}

TEST_F(InterruptedRewriteTest, ANewPictureWrittenIntoTheSameFileSurvives)
{
    killDuringRewrite(3000);
    // Same file, same size, even the same first bytes as the result: only the rest differs.
    const std::string picture = result.substr(0, 3000) + std::string(original.size() - 3000, 'n');
    writeFile(path, picture);

    runJob(surfaces, {pics()});

    EXPECT_EQ(readFile(path), picture);
    EXPECT_EQ(readFile(pics() + "/also a.png"), picture);
    EXPECT_EQ(linesWith(surfaces, "of a.png: the file changed since"), 1);
}

TEST_F(InterruptedRewriteTest, ANoteWithoutTheFilesIdentityIsNotTrusted)
{
    killDuringRewrite(3000);
    const std::string left = readFile(path);
    writeFile(leftover + "/" + rewriteNoteName, "a.png\nwork.png\n");

    runJob(surfaces, {pics()});

    EXPECT_EQ(readFile(path), left);
    EXPECT_FALSE(std::filesystem::exists(leftover));
    EXPECT_EQ(linesWith(surfaces, "of a.png: nothing shows that the file is still the same"), 1);
}

TEST_F(InterruptedRewriteTest, ANoteNamingSomethingOutsideItsFolderIsIgnored)
{
    writeFileOfSize(pics() + "/a.png", 100);
    writeFile(temp.file("outside.png"), "keep me");
    writeFileOfSize(leftover + "/work.png", 6000);
    writeFile(leftover + "/work-rewrite", "../outside.png\nwork.png\n");

    runJob(surfaces, {pics()});

    EXPECT_EQ(readFile(temp.file("outside.png")), "keep me");
    EXPECT_FALSE(std::filesystem::exists(leftover));
}
