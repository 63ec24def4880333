// Where pngout cannot be found, zopflipng runs its steps under their own labels; a pngout that
// can be found always runs instead, and with neither the steps leave files as they were.
#include <algorithm>
#include <filesystem>
#include <map>
#include <unistd.h>

#include <zlib.h>

#include "engine/compression_job.h"
#include "engine_fixture.h"
#include "support/fake_image.h"
#include "support/work_copy.h"
#include "util/live_file.h"

namespace {

const std::string keepChunks =
    "--keepchunks=iCCP,sRGB,gAMA,cHRM,cICP,mDCv,cLLi,eXIf,pHYs,tEXt,zTXt,iTXt,tIME";

// zopflipng -y --keepchunks=... [-m] IN OUT: writes OUT `bytes` smaller than IN.
std::string zopfliShrinkAction(int bytes)
{
    const std::string shrink = fakeImageCommand() + " --shrink " + std::to_string(bytes);
    return "case \"$3\" in -m) " + shrink + " \"$4\" \"$5\";; *) " + shrink +
           " \"$3\" \"$4\";; esac";
}

// The tools of the chain but pngout, each cutting 100 bytes, on a PATH of their own.
void installAllButPngout(FakeTools& tools)
{
    tools.install("exiftool", shrinkAction(100));
    tools.install("pngcrush", crushShrinkAction(100));
    tools.install("optipng", shrinkAction(100));
}

class PngStandInTest : public EngineTest {
protected:
    PngStandInTest() : own(temp.file("own-bin"), false) { installAllButPngout(own); }

    FakeTools own;
};

} // namespace

TEST_F(PngStandInTest, PngoutThatCanBeFoundRunsAndNothingStandsIn)
{
    own.install("pngout", shrinkAction(100));
    own.install("zopflipng", zopfliShrinkAction(100));
    const std::string path = pics() + "/a.png";
    writeFileOfSize(path, 4096);

    for (bool full : {true, false}) {
        state.options[Option::Full] = full;
        RecordingSurfaces log;
        runJob(log, {path});
        EXPECT_EQ(log.log().find("Tool not found"), std::string::npos) << log.log();
    }

    const std::vector<std::string> calls = withWorkCopies(own.calls(), {path});
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "pngout|" + workCopy(path)), 2);
    for (const std::string& call : calls)
        EXPECT_FALSE(call.starts_with("zopflipng")) << call;
}

TEST_F(PngStandInTest, ZopflipngRunsPngoutsStepsUnderTheirLabelsAndIsNamedAtTheStart)
{
    own.install("zopflipng", zopfliShrinkAction(1024));
    // In folders of their own, so their work copies can be told apart.
    const std::string full = pics() + "/one/full.png";
    const std::string fast = pics() + "/two/fast.png";
    writeFileOfSize(full, 4096);
    writeFileOfSize(fast, 4096);

    RecordingSurfaces fullLog;
    runJob(fullLog, {full});
    state.options[Option::Full] = false;
    RecordingSurfaces fastLog;
    FixedClock again({december7(14, 5, 9), december7(14, 5, 31)});
    runJob(fastLog, {fast});

    const char* standInLine = "Tool not found: pngout (zopflipng stands in for it)";
    EXPECT_EQ(
        fullLog.log(),
        logLines({startStamp, standInLine, "Compressing full.png (4.000 KB)",
                  "     Stripping MetaData...  New Size: 3.902 KB",
                  "     Pass 1/3...  New Size: 3.805 KB", "     Pass 2/3...  New Size: 3.707 KB",
                  "     Pass 3/3...  New Size: 2.707 KB",
                  "     Compressed file is 67.676% of the original", finishStamp, ""}));
    EXPECT_EQ(fastLog.log(),
              logLines({startStamp, standInLine, "Compressing fast.png (4.000 KB)",
                        "     Stripping MetaData...  New Size: 3.902 KB",
                        "     Fast Compression...  New Size: 2.902 KB",
                        "     Compressed file is 72.559% of the original", finishStamp, ""}));

    // It keeps the colour chunks and never takes its lossy options; Full spends more iterations.
    const std::vector<std::string> calls = withWorkCopies(own.calls(), {full, fast});
    for (const auto& [file, more] : {std::pair{full, "|-m"}, std::pair{fast, ""}}) {
        const std::string call = "zopflipng|-y|" + keepChunks + more + "|" + workCopy(file) + "|" +
                                 workCopy(file, "-out");
        EXPECT_EQ(std::count(calls.begin(), calls.end(), call), 1) << file;
    }
    for (const std::string& call : calls)
        EXPECT_EQ(call.find("lossy"), std::string::npos) << call;
    EXPECT_EQ(workFoldersIn(pics()), std::vector<std::string>{});
}

TEST_F(PngStandInTest, WithoutPngoutAndZopflipngTheStepsLeaveFilesUnchanged)
{
    state.options[Option::Full] = false;
    const std::string path = pics() + "/a.png";
    writeFileOfSize(path, 4096);

    runJob(surfaces, {path});

    EXPECT_EQ(
        surfaces.log(),
        logLines({startStamp, "Tool not found: pngout (its step leaves files unchanged)",
                  "Compressing a.png (4.000 KB)", "     Stripping MetaData...  New Size: 3.902 KB",
                  "     Fast Compression...  New Size: 3.902 KB",
                  "     Compressed file is 97.559% of the original", finishStamp, ""}));
    EXPECT_EQ(withWorkCopies(own.calls(), {path}),
              (std::vector<std::string>{"exiftool|" + stripCallArguments() + workCopy(path)}));
}

TEST_F(PngStandInTest, TheSetupNamesTheStandInOnlyWhileItRuns)
{
    RecordingSurfaces log;
    const JobContext job = context(log);
    const std::string withoutEither = jobSetup(job, state.options.snapshot());
    own.install("zopflipng", zopfliShrinkAction(1));
    const std::string withStandIn = jobSetup(job, state.options.snapshot());
    EXPECT_NE(withStandIn, withoutEither);
    // Another zopflipng (here: one of another size) may compress differently.
    own.install("zopflipng", zopfliShrinkAction(1) + "  # another version");
    EXPECT_NE(jobSetup(job, state.options.snapshot()), withStandIn);

    own.install("pngout", shrinkAction(1));
    const std::string withPngout = jobSetup(job, state.options.snapshot());
    own.install("zopflipng", zopfliShrinkAction(1));
    EXPECT_EQ(jobSetup(job, state.options.snapshot()), withPngout);
}

namespace {

std::string chunk(const std::string& type, const std::string& body)
{
    std::string bytes;
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes += static_cast<char>((body.size() >> shift) & 0xff);
    const std::string typed = type + body;
    bytes += typed;
    const uLong crc =
        crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()));
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes += static_cast<char>((crc >> shift) & 0xff);
    return bytes;
}

std::string deflated(const std::string& data, int level)
{
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size,
              reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()), level);
    out.resize(size);
    return out;
}

std::string bigEndian(std::uint32_t value)
{
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
            static_cast<char>(value >> 8), static_cast<char>(value)};
}

// A 64x48 RGB gradient, poorly compressed, with the given colour chunks before its pixels.
std::string gradientPng(const std::string& colourChunks)
{
    std::string pixels;
    for (int y = 0; y < 48; ++y) {
        pixels += '\0';
        for (int x = 0; x < 64; ++x)
            pixels += {static_cast<char>(x * 4), static_cast<char>(y * 5),
                       static_cast<char>((x + y) * 2)};
    }
    const std::string header = bigEndian(64) + bigEndian(48) + std::string("\x08\x02\0\0\0", 5);
    return "\x89PNG\r\n\x1a\n" + chunk("IHDR", header) + colourChunks +
           chunk("IDAT", deflated(pixels, 1)) + chunk("IEND", "");
}

// Every chunk but the pixels', in file order, as type and body.
std::vector<std::string> chunksBesidesPixels(const std::string& png)
{
    std::vector<std::string> chunks;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::size_t length = (static_cast<unsigned char>(png[at]) << 24) |
                                   (static_cast<unsigned char>(png[at + 1]) << 16) |
                                   (static_cast<unsigned char>(png[at + 2]) << 8) |
                                   static_cast<unsigned char>(png[at + 3]);
        const std::string type = png.substr(at + 4, 4);
        if (type != "IDAT")
            chunks.push_back(type + png.substr(at + 8, length));
        at += 12 + length;
    }
    return chunks;
}

} // namespace

// The real zopflipng, with nothing else to run: its result keeps every colour chunk as it was,
// so the engine's check lets it replace the file.
TEST(PngStandInRealTool, ZopflipngKeepsTheColourChunksAndItsResultIsKept)
{
    if (::access("/usr/bin/zopflipng", X_OK) != 0)
        GTEST_SKIP() << "zopflipng is not installed";
    TempFolder temp;
    FakeTools bin(temp.file("bin"), false);
    std::filesystem::create_symlink("/usr/bin/zopflipng", temp.file("bin/zopflipng"));
    EngineState state;
    InterpreterRunner runner;
    ContentChecker checker(runner);
    state.options[Option::Copy] = false;
    state.options[Option::Full] = false;
    state.options[Option::Strip] = false;

    const std::string profile = deflated(std::string(300, 'p'), 9);
    const std::map<std::string, std::string> images = {
        {"profile.png",
         chunk("iCCP", std::string("test profile\0\0", 14) + profile) +
             chunk("gAMA", bigEndian(45455)) +
             chunk("cHRM", bigEndian(31270) + bigEndian(32900) + bigEndian(64000) +
                               bigEndian(33000) + bigEndian(30000) + bigEndian(60000) +
                               bigEndian(15000) + bigEndian(6000))},
        {"srgb.png", chunk("sRGB", std::string(1, '\0')) + chunk("gAMA", bigEndian(45455)) +
                         chunk("cICP", std::string("\x01\x0d\x00\x01", 4)) +
                         chunk("eXIf", std::string("MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01"
                                                   "\0\x06\0\0\0\0\0\0",
                                                   26))},
    };
    for (const auto& [name, colourChunks] : images) {
        SCOPED_TRACE(name);
        const std::string path = temp.file(name);
        const std::string original = gradientPng(colourChunks);
        writeFile(path, original);
        RecordingSurfaces log;
        state.running = true;

        runCompressionJob(JobContext{log, state, runner, checker},
                          JobRequest{{path}, state.options.snapshot()});

        EXPECT_NE(log.log().find("Tool not found: pngout (zopflipng stands in for it)"),
                  std::string::npos)
            << log.log();
        EXPECT_EQ(log.log().find("Step undone"), std::string::npos) << log.log();
        const std::string result = readFile(path);
        EXPECT_LT(result.size(), original.size() / 2);
        EXPECT_EQ(chunksBesidesPixels(result), chunksBesidesPixels(original));
    }
    state.options.resetToDefaults();
    state.running = false;
}
