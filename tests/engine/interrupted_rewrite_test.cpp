// A hard-linked file is rewritten in place; a run killed during that rewrite leaves a note, and
// the next run over the folder finishes the rewrite from the checked result before it removes
// the work folder.
#include "engine/compression_job.h"

#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

} // namespace

using InterruptedRewriteTest = EngineTest;

TEST_F(InterruptedRewriteTest, TheNextRunFinishesAHalfWrittenHardLinkedFile)
{
    state.options[Option::Strip] = false;
    state.options[Option::Full] = false;
    tools.install("pngout", ""); // leaves every file as it is
    const std::string path = pics() + "/a.png";
    writeFileOfSize(path, 8000);
    std::filesystem::create_hard_link(path, pics() + "/also a.png");
    const std::string leftover =
        pics() + "/.tarnwick-" + std::to_string(exitedProcess()) + "-abcdef";
    writeFileOfSize(leftover + "/work.png", 6000);
    const std::string result = readFile(leftover + "/work.png");
    writeFile(leftover + "/work-rewrite", "a.png\nwork.png\n");
    // Killed halfway through writing the result over the original's bytes.
    writeFile(path, result.substr(0, 3000) + readFile(path).substr(3000));

    runJob(surfaces, {pics()});

    EXPECT_EQ(readFile(path), result);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_nlink, 2u);
    EXPECT_FALSE(std::filesystem::exists(leftover));
}

TEST_F(InterruptedRewriteTest, ANoteNamingSomethingOutsideItsFolderIsIgnored)
{
    state.options[Option::Strip] = false;
    state.options[Option::Full] = false;
    tools.install("pngout", "");
    writeFileOfSize(pics() + "/a.png", 100);
    writeFile(temp.file("outside.png"), "keep me");
    const std::string leftover =
        pics() + "/.tarnwick-" + std::to_string(exitedProcess()) + "-abcdef";
    writeFileOfSize(leftover + "/work.png", 6000);
    writeFile(leftover + "/work-rewrite", "../outside.png\nwork.png\n");

    runJob(surfaces, {pics()});

    EXPECT_EQ(readFile(temp.file("outside.png")), "keep me");
    EXPECT_FALSE(std::filesystem::exists(leftover));
}
