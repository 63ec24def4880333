// Checked steps that keep modes, owners and links, and work folders of processes: Linux only.
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <sys/wait.h>
#include <unistd.h>

#include "engine/compress_file.h"
#include "engine/compression_job.h"
#include "checked_step_fixture.h"
#include "support/fake_image.h"
#include "support/work_copy.h"
#include "util/live_file.h"

namespace fs = std::filesystem;

namespace {

struct stat statOf(const std::string& path)
{
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info;
}

// A process that has come and gone, or one that stays until killed.
pid_t startChild(bool stays)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (stays)
            ::pause();
        ::_exit(0);
    }
    if (!stays)
        ::waitpid(pid, nullptr, 0);
    return pid;
}

// What a shell command prints.
std::string commandOutput(const std::string& command)
{
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe))
            text.append(buffer, got);
        ::pclose(pipe);
    }
    return text;
}

} // namespace

TEST_F(CheckedStepTest, GoodResultTakesThePlaceOfTheFileWithItsModeLinksAndDates)
{
    const struct {
        mode_t mode;
        bool hardLinked;
        bool keepDates;
    } cases[] = {
        {0600, false, false},
        {0640, false, true},
        {0600, true, false},
        {0640, true, true},
    };
    const std::string other = pics() + "/other name.png";
    // A time well before the test: a new one cannot be mistaken for it.
    const timespec old[2] = {{1500000000, 123456789}, {1500000000, 123456789}};
    // The tool leaves its result world-readable, as a umask of 022 would.
    tools.install("pngout", shrinkAction(1024) + " && chmod 644 \"$FILE\"");
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::oct << c.mode << " linked " << c.hardLinked
                                        << " keep dates " << c.keepDates);
        fs::remove(other);
        writeFileOfSize(path, 4096);
        ASSERT_EQ(::chmod(path.c_str(), c.mode), 0);
        if (c.hardLinked) {
            ASSERT_EQ(::link(path.c_str(), other.c_str()), 0);
        }
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), old, 0), 0);
        state.options[Option::KeepDates] = c.keepDates;

        compress(path);

        const struct stat after = statOf(path);
        EXPECT_EQ(readFile(path), fakeImage(FakeKind::png, 3072));
        EXPECT_EQ(after.st_mode & 07777, c.mode);
        EXPECT_EQ(after.st_nlink, c.hardLinked ? 2u : 1u);
        if (c.hardLinked) {
            EXPECT_EQ(readFile(other), readFile(path));
        }
        EXPECT_EQ(after.st_mtim.tv_sec == old[1].tv_sec && after.st_mtim.tv_nsec == old[1].tv_nsec,
                  c.keepDates);
        // Reading the file moves its access time (relatime does for one this old); the kept one
        // is the time from before the job read it.
        EXPECT_EQ(after.st_atim.tv_sec == old[0].tv_sec && after.st_atim.tv_nsec == old[0].tv_nsec,
                  c.keepDates);
        EXPECT_EQ(workFoldersIn(pics()), std::vector<std::string>{});
    }
}

TEST_F(CheckedStepTest, KeepDatesGivesAnUndoneFileBackTheAccessTimeItsReadsMoved)
{
    const timespec old[2] = {{1400000000, 5}, {1400000000, 5}};
    tools.install("pngout", setSizeAction(5000)); // larger: undone after the file was read
    writeFileOfSize(path, 4096);
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), old, 0), 0);
    state.options[Option::KeepDates] = true;

    compress(path);

    const struct stat after = statOf(path);
    EXPECT_EQ(after.st_size, 4096);
    EXPECT_EQ(after.st_atim.tv_sec, old[0].tv_sec);
    EXPECT_EQ(after.st_atim.tv_nsec, old[0].tv_nsec);
    EXPECT_EQ(after.st_mtim.tv_sec, old[1].tv_sec);
}

TEST_F(CheckedStepTest, GoodResultKeepsAnotherUsersOwnerAndGroup)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give a file to another user";
    writeFileOfSize(path, 4096);
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    tools.install("pngout", shrinkAction(1024));

    compress(path);

    const struct stat after = statOf(path);
    EXPECT_EQ(after.st_size, 3072);
    EXPECT_EQ(after.st_uid, 65534u);
    EXPECT_EQ(after.st_gid, 65534u);
}

TEST_F(CheckedStepTest, LinkGivenAsThePathStaysALinkAndItsTargetIsCompressed)
{
    const std::string target = temp.file("elsewhere/real.png");
    writeFileOfSize(target, 4096);
    fs::create_directories(pics());
    fs::create_symlink(target, path);
    tools.install("pngout", shrinkAction(1024));

    compress(path);

    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(fs::read_symlink(path), target);
    EXPECT_EQ(readFile(target), fakeImage(FakeKind::png, 3072));
    EXPECT_EQ(workFoldersIn(temp.path()), std::vector<std::string>{});
}

TEST_F(CheckedStepTest, FolderJobRemovesOnlyWorkFoldersOfDeadRunsHoldingOnlyWorkFiles)
{
    const pid_t dead = startChild(false);
    const pid_t alive = startChild(true);
    const struct {
        pid_t pid;
        const char* folder;
        const char* file;
        bool removed;
    } cases[] = {
        {dead, ".tarnwick-%d-abcdef", "work.png", true},
        {dead, "sub/.tarnwick-%d-abcdef", "work-out.png", true},
        {alive, ".tarnwick-%d-ghijkl", "work.png", false},
        {dead, ".tarnwick-%d-mnopqr", "holiday.png", false},
        // A folder a tool made, with one inside it.
        {dead, "sub/.tarnwick-%d-stuvwx", "work-out.png.d/deeper/left.png", true},
    };
    std::vector<std::string> folders;
    for (const auto& c : cases) {
        char name[64];
        std::snprintf(name, sizeof name, c.folder, static_cast<int>(c.pid));
        folders.push_back(pics() + "/" + name);
        writeFileOfSize(folders.back() + "/" + c.file, 4096);
    }
    writeFileOfSize(path, 4096);
    tools.installShrinkingSet(1024);

    runJob(surfaces, {pics()});

    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(fs::exists(folders[i]), !cases[i].removed) << folders[i];
    EXPECT_EQ(fileSize(path), 3072);
    ::kill(alive, SIGKILL);
    ::waitpid(alive, nullptr, 0);
}

TEST_F(CheckedStepTest, FolderWalkNeverCompressesWhatLiesInAWorkFolder)
{
    const std::string workFile =
        pics() + "/.tarnwick-" + std::to_string(::getpid()) + "-abcdef/work.png";
    writeFileOfSize(workFile, 4096);
    writeFileOfSize(path, 4096);
    tools.installShrinkingSet(1024);

    runJob(surfaces, {pics()});

    EXPECT_EQ(fileSize(path), 3072);
    EXPECT_EQ(fileSize(workFile), 4096);
    EXPECT_EQ(tools.calls().size(), 1u);
}

TEST_F(CheckedStepTest, NameWithANewlineCannotForgeALogLine)
{
    const std::string forged = pics() + "/a\nFinished Compression at 1.png";
    writeFileOfSize(forged, 4096);
    tools.install("pngout", shrinkAction(1024));

    compressFile(context(surfaces), forged, pics(), StepMode{true, false});

    EXPECT_EQ(fileSize(forged), 3072);
    EXPECT_EQ(surfaces.log(), logLines({"Compressing a\\nFinished Compression at 1.png (4.000 KB)",
                                        "     Fast Compression...  New Size: 3.000 KB",
                                        "     Compressed file is 75.000% of the original"}));
}

TEST_F(CheckedStepTest, FoldersAToolLeavesAreRemovedWithoutFollowingTheirLinks)
{
    const std::string outside = temp.file("outside/keep.png");
    writeFileOfSize(outside, 100);
    writeFileOfSize(path, 4096);
    tools.install("pngout", shrinkAction(1024) + " && mkdir -p \"$FILE.d/deeper\" && ln -s '" +
                                temp.file("outside") + "' \"$FILE.d/deeper/out\" && ln -s '" +
                                outside + "' \"$FILE.d/file\"");

    compress(path);

    EXPECT_EQ(fileSize(path), 3072);
    EXPECT_EQ(workFoldersIn(pics()), std::vector<std::string>{});
    EXPECT_EQ(std::distance(fs::directory_iterator(pics()), fs::directory_iterator()), 1);
    EXPECT_EQ(fileSize(outside), 100);
}

TEST_F(CheckedStepTest, GoodResultKeepsTheAccessListAndExtendedAttributes)
{
    writeFileOfSize(path, 4096);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    if (::setxattr(path.c_str(), "user.origin", "camera", 6, 0) != 0)
        GTEST_SKIP() << "the test folder's file system refuses user attributes";
    // The group is kept out while one more user may read: the plain mode would say 0640.
    const bool acl =
        std::system(("setfacl -m g::-,u:65534:r '" + path + "' 2>/dev/null").c_str()) == 0;
    const std::string listBefore = acl ? commandOutput("getfacl -cp '" + path + "'") : "";
    tools.install("pngout", shrinkAction(1024));

    compress(path);

    EXPECT_EQ(fileSize(path), 3072);
    char value[16] = {};
    EXPECT_EQ(::getxattr(path.c_str(), "user.origin", value, sizeof value), 6);
    EXPECT_EQ(std::string(value), "camera");
    if (!acl)
        GTEST_SKIP() << "setfacl is missing or the file system refuses access lists";
    EXPECT_EQ(commandOutput("getfacl -cp '" + path + "'"), listBefore);
}
