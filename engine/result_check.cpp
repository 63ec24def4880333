#include "engine/result_check.h"

#include "engine/tool_command.h"
#include "image/image_check.h"

Verdict ContentChecker::check(CheckKind kind, const std::string& before, const std::string& after)
{
    if (kind == CheckKind::Executable) {
        // The packer checks its own output; without it there is nobody to vouch for the result.
        const std::int32_t code = runner.run("upx.exe -t -q " + quotedPathArgument(after), false);
        if (code == 0)
            return {true, std::string()};
        return {false, "the packed program fails its test"};
    }
    const CheckResult result = sameImage(before, after);
    return {result.same, result.reason};
}

ResultChecker& contentChecker()
{
    static ContentChecker checker(interpreterRunner());
    return checker;
}
