// A tool's first line on Windows comes through a pipe from its standard output or error.
#include "app/tool_versions.h"

#include <gtest/gtest.h>

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

} // namespace

TEST(WindowsToolOutputTest, FirstNonBlankLineOfEitherStreamOrNothing)
{
    const std::chrono::milliseconds limit(10000);
    const std::string program = fromBuild(TARNWICK_FAKE_IMAGE);
    // Its usage goes to the error stream.
    EXPECT_EQ(firstOutputLine(program, {}, limit),
              "usage: tarnwick_fake_image [--variant] SIZE PATH");
    // Arguments arrive whole, spaces and all: a size and a path it cannot write say nothing.
    EXPECT_EQ(firstOutputLine(program, {"10", "C:\\no such folder\\x.png"}, limit), "");
    EXPECT_EQ(firstOutputLine("C:\\no\\such\\tool.exe", {}, limit), "");
}
