#include "platform/process_additions.h"
#include "platform/win32/process.h"
#include "test_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace process_test;

namespace {

constexpr time_t oldTime = 1'500'000'000;

void setOldTime(const std::string& path, time_t when = oldTime)
{
    timespec times[2] = {{when, 123}, {when, 456000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

struct stat lstatOf(const std::string& path)
{
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info;
}

void expectSameModeAndTime(const std::string& original, const std::string& copy)
{
    struct stat a = lstatOf(original);
    struct stat b = lstatOf(copy);
    EXPECT_EQ(a.st_mode, b.st_mode) << copy;
    EXPECT_EQ(a.st_mtim.tv_sec, b.st_mtim.tv_sec) << copy;
    EXPECT_EQ(a.st_mtim.tv_nsec, b.st_mtim.tv_nsec) << copy;
}

std::string q(const std::string& path)
{
    return "\"" + path + "\"";
}

TEST(CopyCommand, CopiesOneFileIntoAFolderOrToANameKeepingModeAndTime)
{
    TempFolder dir;
    writeFile(dir / "a b.png", std::string("png\0data", 8), 0640);
    setOldTime(dir / "a b.png");
    ::mkdir((dir / "Backup_07_12_2026__14_05_09").c_str(), 0755);

    EXPECT_EQ(
        cmdSystem(
            ("copy " + q(dir / "a b.png") + " " + q(dir / "Backup_07_12_2026__14_05_09")).c_str()),
        0);
    EXPECT_EQ(readFile(dir / "Backup_07_12_2026__14_05_09/a b.png"), std::string("png\0data", 8));
    expectSameModeAndTime(dir / "a b.png", dir / "Backup_07_12_2026__14_05_09/a b.png");

    writeFile(dir / "target", "old contents that are longer", 0644);
    EXPECT_EQ(cmdSystem(("COPY /Y " + q(dir / "a b.png") + " " + q(dir / "target")).c_str()), 0);
    EXPECT_EQ(readFile(dir / "target"), std::string("png\0data", 8));
}

TEST(CopyCommand, FailuresGiveANonzeroExitCode)
{
    TempFolder dir;
    writeFile(dir / "a.png", "x", 0644);
    const std::string commands[] = {
        "copy " + q(dir / "missing.png") + " " + q(dir.path()),
        "copy " + q(dir / "a.png") + " " + q(dir / "no/such/folder/a.png"),
        "copy " + q(dir / "a.png") + " " + q(dir.path()), // onto itself
        "copy " + q(dir.path()) + " " + q(dir / "x"),     // a folder is not a file
        "copy",
    };
    for (const std::string& command : commands)
        EXPECT_NE(cmdSystem(command.c_str()), 0) << command;
    EXPECT_EQ(readFile(dir / "a.png"), "x");
}

TEST(CopyCommand, ReplacesALinkAtTheDestinationInsteadOfWritingThroughIt)
{
    TempFolder dir;
    TempFolder outside;
    writeFile(dir / "a.png", "new copy");
    writeFile(outside / "victim.png", "keep me");
    ::mkdir((dir / "backup").c_str(), 0755);
    // A link under the copy's name inside the destination folder, and one given as the target.
    ::symlink((outside / "victim.png").c_str(), (dir / "backup/a.png").c_str());
    ::symlink((outside / "victim.png").c_str(), (dir / "target.png").c_str());

    EXPECT_EQ(cmdSystem(("copy " + q(dir / "a.png") + " " + q(dir / "backup")).c_str()), 0);
    EXPECT_EQ(cmdSystem(("copy " + q(dir / "a.png") + " " + q(dir / "target.png")).c_str()), 0);

    EXPECT_EQ(readFile(outside / "victim.png"), "keep me");
    for (const char* copy : {"backup/a.png", "target.png"}) {
        EXPECT_TRUE(S_ISREG(lstatOf(dir / copy).st_mode)) << copy;
        EXPECT_EQ(readFile(dir / copy), "new copy") << copy;
    }
}

class XcopyCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string src = source();
        ::mkdir(src.c_str(), 0755);
        writeFile(src + "/top.png", "top", 0600);
        writeFile(src + "/.hidden", "secret", 0644);
        writeFile(src + "/run.exe", "MZ", 0755);
        ::mkdir((src + "/empty").c_str(), 0700);
        ::mkdir((src + "/sub").c_str(), 0750);
        ::mkdir((src + "/sub/deeper").c_str(), 0755);
        writeFile(src + "/sub/deeper/d.jpg", "jpeg", 0444);
        ::mkdir((src + "/.hiddendir").c_str(), 0755);
        writeFile(src + "/.hiddendir/h.gif", "gif", 0644);
        ::symlink("top.png", (src + "/link.png").c_str());
        ::symlink("sub", (src + "/linkdir").c_str());
        ::symlink("nowhere", (src + "/dangling").c_str());
        for (const char* name : {"/top.png", "/.hidden", "/run.exe", "/sub/deeper/d.jpg",
                                 "/.hiddendir/h.gif", "/link.png", "/linkdir", "/dangling",
                                 "/empty", "/sub/deeper", "/sub", "/.hiddendir"}) {
            setOldTime(src + name);
        }
        ::chmod((src + "/sub/deeper").c_str(), 0555);
        setOldTime(src + "/sub/deeper");
    }
    std::string source() const { return dir / "pics"; }
    std::string backup() const { return dir / "picsBackup_07_12_2026__14_05_09"; }
    TempFolder dir;
};

TEST_F(XcopyCommand, CopiesTheWholeTreeWithHiddenFilesEmptyFoldersModesTimesAndLinks)
{
    ::mkdir(backup().c_str(), 0755);
    ASSERT_EQ(cmdSystem(("xcopy /E /H " + q(source()) + " " + q(backup())).c_str()), 0);
    for (const char* name :
         {"/top.png", "/.hidden", "/run.exe", "/sub/deeper/d.jpg", "/.hiddendir/h.gif", "/empty",
          "/sub/deeper", "/sub", "/.hiddendir", "/link.png", "/linkdir", "/dangling"}) {
        expectSameModeAndTime(source() + name, backup() + name);
    }
    EXPECT_EQ(readFile(backup() + "/sub/deeper/d.jpg"), "jpeg");
    EXPECT_EQ(readFile(backup() + "/.hidden"), "secret");
    // Links stay links, with the same target, and a linked folder is not copied through.
    EXPECT_TRUE(S_ISLNK(lstatOf(backup() + "/linkdir").st_mode));
    EXPECT_EQ(std::filesystem::read_symlink(backup() + "/link.png"), "top.png");
    EXPECT_EQ(std::filesystem::read_symlink(backup() + "/dangling"), "nowhere");
}

TEST_F(XcopyCommand, WithoutHOrEItLeavesHiddenFilesAndEmptyFoldersOut)
{
    ASSERT_EQ(cmdSystem(("xcopy /S " + q(source()) + " " + q(backup())).c_str()), 0);
    EXPECT_TRUE(exists(backup() + "/sub/deeper/d.jpg"));
    EXPECT_FALSE(exists(backup() + "/.hidden"));
    EXPECT_FALSE(exists(backup() + "/.hiddendir"));
    EXPECT_FALSE(exists(backup() + "/empty"));
}

TEST_F(XcopyCommand, FailuresGiveANonzeroExitCode)
{
    // Missing source, and a destination inside the source (it would copy itself without end).
    EXPECT_EQ(cmdSystem(("xcopy /E /H " + q(dir / "missing") + " " + q(backup())).c_str()), 4);
    EXPECT_EQ(cmdSystem(("xcopy /E /H " + q(source()) + " " + q(source() + "/inner")).c_str()), 4);
    EXPECT_EQ(cmdSystem(("xcopy /E /H " + q(source() + "/") + " " + q(source())).c_str()), 4);
    EXPECT_FALSE(exists(source() + "/inner"));

    // A file in the way of a folder: the rest is still copied, and the copy says it failed.
    ::mkdir(backup().c_str(), 0755);
    writeFile(backup() + "/sub", "in the way", 0644);
    EXPECT_EQ(cmdSystem(("xcopy /E /H " + q(source()) + " " + q(backup())).c_str()), 5);
    EXPECT_EQ(readFile(backup() + "/top.png"), "top");
}

TEST_F(XcopyCommand, ReplacesLinksInTheDestinationInsteadOfWritingThroughThem)
{
    TempFolder outside;
    writeFile(outside / "original.png", "keep me", 0644);
    ::mkdir(backup().c_str(), 0755);
    ::symlink((outside / "original.png").c_str(), (backup() + "/top.png").c_str());
    ::symlink(outside.path().c_str(), (backup() + "/sub").c_str());
    ASSERT_EQ(cmdSystem(("xcopy /E /H " + q(source()) + " " + q(backup())).c_str()), 0);
    EXPECT_EQ(readFile(outside / "original.png"), "keep me");
    EXPECT_FALSE(exists(outside / "deeper"));
    EXPECT_EQ(readFile(backup() + "/top.png"), "top");
    EXPECT_TRUE(S_ISDIR(lstatOf(backup() + "/sub").st_mode));
    EXPECT_EQ(readFile(backup() + "/sub/deeper/d.jpg"), "jpeg");
}

} // namespace
