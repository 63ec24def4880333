// The little shell of the Windows fake tools, run here on every system: a fault in it would
// make the engine tests under Wine check the wrong thing.
#include "support/fake_tool_script.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/fake_image.h"
#include "support/temp_folder.h"

namespace {

int run(const std::string& script, const std::vector<std::string>& arguments,
        std::string* errors = nullptr)
{
    std::ostringstream err;
    const int status = runFakeToolScript(script, arguments, err);
    if (errors)
        *errors = err.str();
    return status;
}

} // namespace

TEST(FakeToolScript, SequencesConditionsAndExitStatus)
{
    EXPECT_EQ(run("exit 3", {}), 3);
    EXPECT_EQ(run("false && exit 4; exit 5", {}), 5);
    EXPECT_EQ(run("false || exit 6\nexit 7", {}), 6);
    EXPECT_EQ(run("true && exit 8", {}), 8);
    EXPECT_EQ(run(":", {}), 0);
    EXPECT_EQ(run("false", {}), 1);
    std::string errors;
    EXPECT_EQ(run("chmod 644 \"$FILE\"", {"a.png"}, &errors), 127);
    EXPECT_NE(errors.find("chmod"), std::string::npos);
}

TEST(FakeToolScript, ArgumentsQuotesAndFiles)
{
    TempFolder temp;
    const std::string a = temp.write("a", "first ");
    const std::string b = temp.write("b b", "second");
    const std::string out = temp.file("out");
    // $1, $2 and $FILE (the last argument) in double quotes; single quotes keep "$2" as text.
    EXPECT_EQ(run("cat \"$1\" \"$2\" > \"$FILE\"", {a, b, out}), 0);
    EXPECT_EQ(readFile(out), "first second");
    EXPECT_EQ(run("cat '$2' > \"$FILE\"", {a, b, out}), 1);
    EXPECT_EQ(run(": > \"$FILE\"", {out}), 0);
    EXPECT_EQ(readFile(out), "");
    EXPECT_EQ(run("mv \"$1\" \"$FILE\"", {b, out}), 0);
    EXPECT_EQ(readFile(out), "second");

    // The fake image program is known by its name wherever it lies.
    const std::string image = temp.file("c.png");
    EXPECT_EQ(run("'/nowhere/tarnwick_fake_image.exe' --variant 2000 \"$FILE\"", {image}), 0);
    EXPECT_EQ(readFile(image), fakeImage(FakeKind::png, 2000, true));
}

TEST(FakeToolScript, CaseTakesTheFirstMatchingPatternWithEitherSeparator)
{
    const std::string script = "case \"$FILE\" in */sub/.w-*) exit 1;; *.png) exit 2;; *) exit 3;; "
                               "esac";
    EXPECT_EQ(run(script, {"x/sub/.w-1/a.png"}), 1);
    EXPECT_EQ(run(script, {"C:\\x\\sub\\.w-1\\a.png"}), 1);
    EXPECT_EQ(run(script, {"x/a.png"}), 2);
    EXPECT_EQ(run(script, {"x/a.gif"}), 3);
}
