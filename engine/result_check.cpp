#include "engine/result_check.h"

#include "engine/tool_command.h"
#include "engine/tools.h"
#include "image/image_check.h"

Verdict ContentChecker::check(CheckKind kind, const std::string& before, const std::string& after)
{
    if (kind == CheckKind::Executable) {
        // The packer checks its own output; without it there is nobody to vouch for the result.
        ToolRun test;
        test.command = std::string(upxTool.command) + " -t -q " + quotedPathArgument(after);
        test.timeLimit = std::chrono::minutes(2);
        const RunOutcome outcome = runner.run(test);
        if (outcome.end == RunEnd::Finished && outcome.code == 0)
            return {true, std::string()};
        return {false, "the packed program fails its test"};
    }
    const CheckResult result = sameImage(before, after);
    return {result.same, result.reason};
}
