// Stand-ins for the external optimizers that record how they were called and change the file
// they were given in a way the test chooses, so logs are exact and repeatable: small shell
// scripts on Linux; on Windows copies of our fake tool program (fake_tool_main.cpp), which run
// the action themselves with the little shell of fake_tool_script.h.
// The actions below write valid files of the same picture (fake_image.h), so the engine's check
// of a result accepts them; a fake upx passes its self-test (-t) without recording it.
#pragma once

#include <string>
#include <vector>

class FakeTools {
public:
    // Puts a fresh bin folder first on PATH (with the system folders after it unless
    // systemPath is false) and unsets COMSPEC, so the interpreter is CMD.EXE. The previous PATH
    // comes back at destruction.
    explicit FakeTools(const std::string& binFolder, bool systemPath = true);
    ~FakeTools();
    FakeTools(const FakeTools&) = delete;
    FakeTools& operator=(const FakeTools&) = delete;

    // Installs a tool named name. action is shell code run after the call is recorded; "$FILE"
    // is the last argument (the file the tool works on) and "$@" all arguments. On Windows only
    // what fake_tool_script.h knows runs.
    void install(const std::string& name, const std::string& action);
    // Installs upx with action, whose self-test (upx -t, unrecorded) passes or fails as told;
    // install("upx", ...) gives one that passes. Unpacking (upx -d -o OUT IN, unrecorded) gives
    // back the file as it was before action for exactly the bytes action left, and fails for any
    // other file; afterPack runs after that is noted (a packer that spoils what it packed).
    void installPacker(const std::string& action, bool selfTestPasses,
                       const std::string& afterPack = "");

    // Installs pngcrush, optipng, pngout, exiftool and upx that each shrink their file by
    // `shrink` bytes (pngcrush writes its output file that much smaller than its input).
    void installShrinkingSet(int shrink);

    // Each recorded call: the tool's name and its arguments, joined by "|".
    std::vector<std::string> calls() const;

    const std::string& folder() const { return bin; }

private:
    void writeTool(const std::string& name, const std::string& action, int selfTestStatus,
                   const std::string& afterPack = "");
    // PATH for the fakes: bin, then the system's own folders when systemPath.
    static std::string searchPath(const std::string& bin, bool systemPath);

    std::string bin;
    std::string callLog;
    std::string savedPath;
    bool hadPath = false;
};

// Shell code that makes the file the same picture at exactly size bytes.
std::string setSizeAction(long long size);
// Shell code that makes the file the same picture, `bytes` smaller.
std::string shrinkAction(long long bytes);
// Shell code for pngcrush (-brute -reduce IN OUT): writes OUT as the same picture at `size`
// bytes (0: an empty file).
std::string crushToSizeAction(long long size);
// Shell code for pngcrush: writes OUT `bytes` smaller than IN.
std::string crushShrinkAction(long long bytes);
