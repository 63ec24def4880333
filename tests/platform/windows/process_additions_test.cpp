// Tools on Windows: ending a tool ends what it started, no tool outlives its job, the system's
// interpreter runs commands, and programs are found as it finds them.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <string>
#include <vector>

#include "platform/process_additions.h"
#include "support/environment.h"
#include "support/temp_folder.h"
#include "support/waiting.h"

namespace {

// The build folder's path; under Wine a Linux one, which Wine's drive Z: shows as it is.
std::string fromBuild(std::string path)
{
    if (!path.empty() && path[0] == '/')
        path.insert(0, "Z:");
    for (char& c : path)
        c = c == '/' ? '\\' : c;
    return path;
}

const std::string sleeper = fromBuild(TARNWICK_SLEEPER);

// The process id the sleeper wrote, once it has.
DWORD waitForPid(const std::string& pidFile)
{
    DWORD pid = 0;
    waitUntil(
        [&] {
            std::ifstream in(pidFile);
            return static_cast<bool>(in >> pid);
        },
        std::chrono::milliseconds(20000));
    return pid;
}

std::string lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool endsWithin(DWORD pid, DWORD milliseconds)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process)
        return true; // gone already
    const bool ended = WaitForSingleObject(process, milliseconds) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

struct StartedTool {
    PROCESS_INFORMATION process{};
    bool started = false;

    explicit StartedTool(const std::string& command)
    {
        // /s: exactly the outer quotes go, whatever quotes the command holds.
        std::string line = "cmd.exe /s /c \"" + command + "\"";
        std::vector<char> buffer(line.begin(), line.end());
        buffer.push_back('\0');
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        started = startTool(buffer.data(), CREATE_NEW_CONSOLE, &startup, &process);
    }
    ~StartedTool()
    {
        if (started)
            closeTool(process);
    }
};

} // namespace

TEST(WindowsToolsTest, EndingAToolEndsWhatItStartedAndGivesItsExitCode)
{
    TempFolder temp;
    const std::string pidFile = temp.path("grandchild.pid");
    StartedTool tool("\"" + sleeper + "\" 60 \"" + pidFile + "\"");
    ASSERT_TRUE(tool.started) << GetLastError();
    const DWORD grandchild = waitForPid(pidFile);
    ASSERT_NE(grandchild, 0u);
    EXPECT_FALSE(endsWithin(grandchild, 0));

    EXPECT_TRUE(endTool(tool.process.hProcess, 7));
    ASSERT_EQ(WaitForSingleObject(tool.process.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(tool.process.hProcess, &code));
    EXPECT_EQ(code, 7u);
    EXPECT_TRUE(endsWithin(grandchild, 10000));
    // Ended already: FALSE, as TerminateProcess says for a process that is gone.
    EXPECT_FALSE(endTool(tool.process.hProcess, 1));
}

TEST(WindowsToolsTest, TerminateAllToolsAndLettingGoEndEveryTree)
{
    TempFolder temp;
    StartedTool first("\"" + sleeper + "\" 60 \"" + temp.path("first.pid") + "\"");
    StartedTool second("\"" + sleeper + "\" 60 \"" + temp.path("second.pid") + "\"");
    ASSERT_TRUE(first.started && second.started);
    const DWORD firstPid = waitForPid(temp.path("first.pid"));
    const DWORD secondPid = waitForPid(temp.path("second.pid"));
    ASSERT_TRUE(firstPid != 0 && secondPid != 0);

    terminateAllTools();
    EXPECT_EQ(WaitForSingleObject(first.process.hProcess, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(second.process.hProcess, 10000), WAIT_OBJECT_0);
    EXPECT_TRUE(endsWithin(firstPid, 10000));
    EXPECT_TRUE(endsWithin(secondPid, 10000));

    // A tool that ended while something it started runs on: letting go of it ends that too.
    const std::string pidFile = temp.path("left.pid");
    StartedTool leaving("start \"\" /b \"" + sleeper + "\" 60 \"" + pidFile + "\"");
    ASSERT_TRUE(leaving.started);
    const DWORD left = waitForPid(pidFile);
    ASSERT_NE(left, 0u);
    ASSERT_EQ(WaitForSingleObject(leaving.process.hProcess, 10000), WAIT_OBJECT_0);
    EXPECT_FALSE(endsWithin(left, 0));
    closeTool(leaving.process);
    leaving.started = false;
    EXPECT_TRUE(endsWithin(left, 10000));
}

TEST(WindowsToolsTest, CommandsRunThroughTheSystemInterpreter)
{
    TempFolder temp;
    EXPECT_EQ(cmdSystem(nullptr), 1);
    EXPECT_EQ(cmdSystem("exit 5"), 5);
    EXPECT_EQ(cmdSystem("no-such-tool-anywhere"), 9009);
    // Quotes of the command's own survive: the copy lands under a name with a space.
    const std::string from = temp.write("a b.png", "picture");
    EXPECT_EQ(cmdSystem(("copy \"" + from + "\" \"" + temp.path("c d.png") + "\" >NUL").c_str()),
              0);
    EXPECT_EQ(readFile(temp.path("c d.png")), "picture");
}

TEST(WindowsToolsTest, ProgramsAreFoundInTheCurrentFolderThenAlongPathWithPathext)
{
    TempFolder temp;
    const std::string tools = temp.makeFolder("tools");
    const std::string here = temp.makeFolder("here");
    ASSERT_TRUE(CopyFileA(sleeper.c_str(), (tools + "\\Packer.EXE").c_str(), FALSE));
    writeFile(here + "\\script.bat", "@exit 0\r\n");
    writeFile(here + "\\notes.txt", "not a program");
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    const char* oldPath = std::getenv("PATH");
    const std::string savedPath = oldPath ? oldPath : "";
    ASSERT_TRUE(SetCurrentDirectoryA(here.c_str()));
    setenv("PATH", (tools + ";" + savedPath).c_str(), 1);

    std::string found;
    EXPECT_TRUE(cmdFindProgram("packer", &found));
    EXPECT_EQ(lower(found), lower(tools + "\\packer.exe"));
    EXPECT_TRUE(cmdFindProgram("SCRIPT", &found));
    EXPECT_EQ(lower(found), lower(here + "\\script.bat"));
    EXPECT_TRUE(cmdFindProgram("packer.exe", nullptr));
    EXPECT_FALSE(cmdFindProgram("notes", nullptr));
    EXPECT_FALSE(cmdFindProgram("notes.txt", nullptr));
    EXPECT_TRUE(cmdFindProgram(tools + "\\packer", nullptr));
    EXPECT_FALSE(cmdFindProgram(tools + "\\script", nullptr)); // a path looks only there
    const char* oldPathext = std::getenv("PATHEXT");
    const std::string savedPathext = oldPathext ? oldPathext : "";
    setenv("PATHEXT", ".EXE", 1);
    EXPECT_FALSE(cmdFindProgram("script", nullptr));
    setenv("PATHEXT", savedPathext.c_str(), 1);

    setenv("PATH", savedPath.c_str(), 1);
    SetCurrentDirectoryA(previous);
}
