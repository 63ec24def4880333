// A crushed result keeps the original's POSIX mode: Linux only.
#include "engine/png_passes.h"

#include "engine/compress_file.h"
#include "engine_fixture.h"
#include "support/work_copy.h"
#include "util/live_file.h"

#include <sys/stat.h>

using PngPassesTest = EngineTest;

TEST_F(PngPassesTest, CrushResultKeepsTheOriginalsPermissions)
{
    const std::string path = pics() + "/private.png";
    writeFileOfSize(path, 4096);
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    // The tool creates its output world-readable, as a umask of 022 would.
    tools.install("pngcrush", crushToSizeAction(100) + "; chmod 644 \"$4\"");

    runStep(context(surfaces), crushStep, path, StepMode{true, false}, CheckKind::Image);

    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 100);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}
