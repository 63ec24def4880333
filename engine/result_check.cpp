#include "engine/result_check.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include "engine/tool_command.h"
#include "engine/tools.h"
#include "engine/work_folder_names.h"
#include "image/image_check.h"
#include "util/file_system.h"

namespace {

// Whether the two regular files hold the same bytes, read a block at a time.
bool sameContent(const std::string& one, const std::string& other)
{
    std::ifstream a(one, std::ios::binary);
    std::ifstream b(other, std::ios::binary);
    if (!a || !b)
        return false;
    std::vector<char> first(1 << 16);
    std::vector<char> second(1 << 16);
    for (;;) {
        a.read(first.data(), static_cast<std::streamsize>(first.size()));
        b.read(second.data(), static_cast<std::streamsize>(second.size()));
        const std::streamsize got = a.gcount();
        if (got != b.gcount() || !std::equal(first.begin(), first.begin() + got, second.begin()))
            return false;
        if (got == 0 || a.eof() || b.eof())
            return a.eof() == b.eof() && !a.bad() && !b.bad();
    }
}

} // namespace

Verdict ContentChecker::check(CheckKind kind, const std::string& before, const std::string& after)
{
    if (kind == CheckKind::Executable) {
        // The packer checks its own output; without it there is nobody to vouch for the result.
        ToolRun test;
        test.command = std::string(upxTool.command) + " -t -q " + quotedPathArgument(after);
        test.timeLimit = std::chrono::minutes(2);
        const RunOutcome outcome = runner.run(test);
        if (outcome.end != RunEnd::Finished || outcome.code != 0)
            return {false, "the packed program fails its test"};
        // The same packer's test can pass a result it cut short. Unpacked beside the result, in
        // the work folder, it must give back the original byte for byte; a format the packer
        // does not restore exactly is left unpacked.
        const std::string unpacked =
            parentFolder(after) + pathSeparator + "work-unpacked" + workFileSuffix(after);
        ToolRun unpack;
        unpack.command = std::string(upxTool.command) + " -d -q -o " +
                         quotedPathArgument(unpacked) + " " + quotedPathArgument(after);
        unpack.timeLimit = std::chrono::minutes(2);
        const RunOutcome unpackOutcome = runner.run(unpack);
        if (unpackOutcome.end != RunEnd::Finished || unpackOutcome.code != 0)
            return {false, "the packed program does not unpack"};
        if (!sameContent(unpacked, before))
            return {false, "the unpacked program differs from the original"};
        return {true, std::string()};
    }
    const CheckResult result = sameImage(before, after);
    return {result.same, result.reason};
}
