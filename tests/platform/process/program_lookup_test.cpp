#include "platform/posix/process/program_lookup.h"
#include "platform/process_additions.h"
#include "platform/win32/process.h"
#include "test_support.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>

using namespace process_test;
using posix_process::findProgram;

namespace {

class ProgramLookup : public ::testing::Test {
protected:
    std::string find(const std::string& name)
    {
        std::string found;
        std::string path = first.path() + ":" + second.path();
        return findProgram(name, current.path(), path.c_str(), &found) ? found : "<none>";
    }
    TempFolder current;
    TempFolder first;
    TempFolder second;
};

TEST_F(ProgramLookup, CurrentFolderComesBeforePathAndPathInOrder)
{
    writeTool(current / "both", "");
    writeTool(first / "both", "");
    writeTool(first / "twice", "");
    writeTool(second / "twice", "");
    writeTool(second / "later", "");
    EXPECT_EQ(find("both"), current / "both");
    EXPECT_EQ(find("twice"), first / "twice");
    EXPECT_EQ(find("later"), second / "later");
    EXPECT_EQ(find("missing"), "<none>");
}

TEST_F(ProgramLookup, NamesMatchInAnyCaseWithOrWithoutExe)
{
    writeTool(first / "optipng", "");
    writeTool(first / "pngcrush", "");
    writeTool(second / "upx.exe", "");
    writeTool(second / "ExifTool", "");
    EXPECT_EQ(find("OptiPNG"), first / "optipng");
    EXPECT_EQ(find("pngcrush.exe"), first / "pngcrush");
    EXPECT_EQ(find("PNGCRUSH.EXE"), first / "pngcrush");
    EXPECT_EQ(find("upx"), second / "upx.exe");
    EXPECT_EQ(find("exiftool"), second / "ExifTool");
}

TEST_F(ProgramLookup, SkipsWhatCannotRun)
{
    writeFile(first / "tool", "data", 0644);
    ::mkdir((current / "tool").c_str(), 0755);
    writeTool(second / "tool", "");
    EXPECT_EQ(find("tool"), second / "tool");
}

TEST_F(ProgramLookup, NameWithSlashIsLookedUpInItsOwnFolderOnly)
{
    ::mkdir((current / "sub").c_str(), 0755);
    writeTool(current / "sub/Tool", "");
    writeTool(first / "other", "");
    EXPECT_EQ(find("sub/tool.exe"), current / "sub/Tool");
    EXPECT_EQ(find(current / "sub/TOOL"), current / "sub/Tool");
    EXPECT_EQ(find("sub/other"), "<none>");
}

TEST_F(ProgramLookup, SeesProgramsThatAppearAfterALookup)
{
    // An old folder time lets the lookup keep the folder's listing; an entry added later must
    // still be found.
    timespec old[2] = {{std::time(nullptr) - 100, 0}, {std::time(nullptr) - 100, 0}};
    ::utimensat(AT_FDCWD, first.path().c_str(), old, 0);
    EXPECT_EQ(find("NewTool"), "<none>");
    writeTool(first / "newtool", "");
    EXPECT_EQ(find("NewTool"), first / "newtool");
    // And one added in the same instant as a fresh folder's listing was read.
    EXPECT_EQ(find("Fresh"), "<none>");
    writeTool(second / "fresh", "");
    EXPECT_EQ(find("Fresh"), second / "fresh");
}

TEST_F(ProgramLookup, PublicLookupUsesCurrentFolderAndPath)
{
    writeTool(first / "ZzTarnwickTool", "");
    EnvironmentGuard path("PATH", first.path());
    CurrentFolderGuard folder(current.path());
    std::string found;
    EXPECT_TRUE(cmdFindProgram("zztarnwicktool.exe", &found));
    EXPECT_EQ(found, first / "ZzTarnwickTool");
    EXPECT_FALSE(cmdFindProgram("ls", nullptr));
}

} // namespace
