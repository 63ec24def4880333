// The Linux fakes: shell scripts on a PATH of POSIX folders.
#include "support/fake_tools.h"

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

#include "support/temp_folder.h"

FakeTools::FakeTools(const std::string& binFolder, bool systemPath)
    : bin(binFolder), callLog(binFolder + "/calls.log")
{
    std::filesystem::create_directories(bin);
    writeFile(callLog, "");
    if (const char* path = std::getenv("PATH")) {
        hadPath = true;
        savedPath = path;
    }
    const std::string path = systemPath ? bin + ":/usr/local/bin:/usr/bin:/bin" : bin;
    setenv("PATH", path.c_str(), 1);
    setenv("FAKE_TOOL_LOG", callLog.c_str(), 1);
    unsetenv("COMSPEC");
}

FakeTools::~FakeTools()
{
    if (hadPath)
        setenv("PATH", savedPath.c_str(), 1);
    else
        unsetenv("PATH");
}

void FakeTools::writeTool(const std::string& name, const std::string& action, int selfTestStatus)
{
    const std::string script = bin + "/" + name;
    // The packer's self-test, which the engine runs on every packed result, goes unrecorded.
    const std::string selfTest =
        name == "upx" ? "if [ \"$1\" = -t ]; then exit " + std::to_string(selfTestStatus) + "; fi\n"
                      : "";
    writeFile(script, "#!/bin/sh\n"
                      "PATH=/usr/bin:/bin; export PATH\n" +
                          selfTest + "line='" + name +
                          "'\n"
                          "for a in \"$@\"; do line=\"$line|$a\"; done\n"
                          "printf '%s\\n' \"$line\" >> \"$FAKE_TOOL_LOG\"\n"
                          "for FILE in \"$@\"; do :; done\n" +
                          action + "\n");
    chmod(script.c_str(), 0755);
}
