// The Linux fakes: shell scripts on a PATH of POSIX folders.
#include "support/fake_tools.h"

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

#include "support/temp_folder.h"

std::string FakeTools::searchPath(const std::string& bin, bool systemPath)
{
    return systemPath ? bin + ":/usr/local/bin:/usr/bin:/bin" : bin;
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
