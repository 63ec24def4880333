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

void FakeTools::writeTool(const std::string& name, const std::string& action, int selfTestStatus,
                          const std::string& afterPack)
{
    const std::string script = bin + "/" + name;
    // The packer's self-test and unpacking, which the engine runs on every packed result, go
    // unrecorded. Unpacking gives back what was packed into exactly these bytes (kept under
    // their hash by the packing), and fails for any other file.
    const std::string stash = bin + "/upx-packed";
    const std::string packer =
        "if [ \"$1\" = -t ]; then exit " + std::to_string(selfTestStatus) +
        "; fi\n"
        "if [ \"$1\" = -d ]; then\n"
        "  for IN in \"$@\"; do :; done\n"
        "  OUT=; while [ $# -gt 0 ]; do [ \"$1\" = -o ] && OUT=$2; shift; done\n"
        "  key=$(md5sum < \"$IN\" | cut -c1-32)\n"
        "  [ -f '" +
        stash + "'/$key ] && cp '" + stash +
        "'/$key \"$OUT\"; exit\n"
        "fi\n";
    const std::string packed =
        "mkdir -p '" + stash + "' && cp \"$FILE\" '" + stash + "/original'\n";
    const std::string keep = "key=$(md5sum < \"$FILE\" | cut -c1-32)\n"
                             "mv '" +
                             stash + "/original' '" + stash + "'/$key\n" + afterPack + "\n";
    const bool isPacker = name == "upx";
    writeFile(script, "#!/bin/sh\n"
                      "PATH=/usr/bin:/bin; export PATH\n" +
                          (isPacker ? packer : "") + "line='" + name +
                          "'\n"
                          "for a in \"$@\"; do line=\"$line|$a\"; done\n"
                          "printf '%s\\n' \"$line\" >> \"$FAKE_TOOL_LOG\"\n"
                          "for FILE in \"$@\"; do :; done\n" +
                          (isPacker ? packed : "") + action + "\n" + (isPacker ? keep : ""));
    chmod(script.c_str(), 0755);
}
