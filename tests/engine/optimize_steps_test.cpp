// The Optimize option: one more checked step for JPEG (jpegtran, progressive or not, the smaller
// kept), GIF (gifsicle) and PDF (qpdf), which is off by default and changes nothing then.
#include "engine/compression_job.h"

#include "engine_fixture.h"
#include "support/fake_image.h"
#include "support/work_copy.h"
#include "util/live_file.h"

namespace {

// jpegtran's fake writes the file after -outfile; progressive output is the smaller one here.
const std::string jpegtranAction =
    "out=; prev=; for a in \"$@\"; do [ \"$prev\" = -outfile ] && out=$a; prev=$a; done\n"
    "case \" $* \" in *' -progressive '*) n=300;; *) n=100;; esac\n" +
    fakeImageCommand() + " --shrink $n \"$FILE\" \"$out\"\n";
// gifsicle -O3 -o OUT IN.
const std::string gifsicleAction = fakeImageCommand() + " --shrink 200 \"$FILE\" \"$3\"\n";
// qpdf OPTION OPTION OPTION IN OUT.
const std::string qpdfAction = fakeImageCommand() + " --shrink 400 \"$4\" \"$5\"\n";

class OptimizeStepsTest : public EngineTest {
protected:
    OptimizeStepsTest()
    {
        state.options[Option::Strip] = false;
        state.options[Option::Full] = false;
        tools.install("jpegtran", jpegtranAction);
        tools.install("gifsicle", gifsicleAction);
        tools.install("qpdf", qpdfAction);
        tools.install("pngout", shrinkAction(10));
    }

    std::string write(const std::string& name)
    {
        const std::string path = pics() + "/" + name;
        writeFile(path, fakeImage(fakeKindOfPath(path), 4096));
        return path;
    }
};

} // namespace

TEST_F(OptimizeStepsTest, EachKindGetsItsStepAndTheSmallestResult)
{
    state.options[Option::Optimize] = true;
    struct Case {
        const char* name;
        std::string stepLine;
        std::vector<std::string> calls; // the options before the files, per call
    };
    const Case cases[] = {
        {"a.jpg",
         "     Optimizing JPEG...  New Size: 3.707 KB",
         {"jpegtran|-copy|all|-optimize|-outfile|", "jpegtran|-copy|all|-optimize|-progressive|"}},
        {"b.gif", "     Optimizing GIF...  New Size: 3.805 KB", {"gifsicle|-O3|-o|"}},
        {"c.pdf",
         "     Optimizing PDF...  New Size: 3.609 KB",
         {"qpdf|--recompress-flate|--compression-level=9|--object-streams=generate|"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = write(c.name);
        const std::size_t before = tools.calls().size();
        RecordingSurfaces log;
        EXPECT_EQ(runJob(log, {path}), JobOutcome::Done);

        const std::vector<std::string> all = tools.calls();
        const std::vector<std::string> calls(all.begin() + static_cast<std::ptrdiff_t>(before),
                                             all.end());
        ASSERT_EQ(calls.size(), c.calls.size());
        for (std::size_t i = 0; i < calls.size(); ++i)
            EXPECT_TRUE(calls[i].starts_with(c.calls[i])) << calls[i];
        EXPECT_NE(log.log().find(std::string(c.name) + " (4.000 KB)\r\n" + c.stepLine + "\r\n"),
                  std::string::npos)
            << log.log();
        EXPECT_EQ(log.log().find("Step undone"), std::string::npos) << log.log();
        EXPECT_EQ(workFoldersIn(pics()), std::vector<std::string>{});
    }
    // jpegtran names its output before its input, and each variant has an output of its own.
    const std::string jpeg = pics() + "/a.jpg";
    const std::vector<std::string> jpegCalls = withWorkCopies(tools.calls(), {jpeg});
    EXPECT_EQ(jpegCalls[0], "jpegtran|-copy|all|-optimize|-outfile|" + workCopy(jpeg, "-out") +
                                "|" + workCopy(jpeg));
}

TEST_F(OptimizeStepsTest, OffByDefaultItChangesNoCallNoLineAndNoWalk)
{
    const std::string jpeg = write("a.jpg");
    write("b.gif");
    write("c.pdf");
    write("d.png");
    EXPECT_FALSE(OptionValues()[Option::Optimize]);

    runJob(surfaces, {pics()});
    runJob(surfaces, {jpeg});

    // With Strip off a folder contributes its PNG files only; a JPEG given by itself gets no
    // step at all.
    EXPECT_EQ(withWorkCopies(tools.calls(), {pics() + "/d.png"}),
              std::vector<std::string>{"pngout|" + workCopy(pics() + "/d.png")});
    EXPECT_EQ(surfaces.log().find("Optimizing"), std::string::npos) << surfaces.log();

    // On, the folder contributes every kind that has a step to run.
    state.options[Option::Optimize] = true;
    RecordingSurfaces log;
    runJob(log, {pics()});
    for (const char* name : {"d.png", "a.jpg", "c.pdf", "b.gif"})
        EXPECT_NE(log.log().find(std::string("Compressing ") + name), std::string::npos) << name;
}

TEST_F(OptimizeStepsTest, MissingOptimizersAreNamedOnlyWhenTheOptionIsOn)
{
    FakeTools onlyPngout(temp.file("bin2"), false);
    onlyPngout.install("pngout", shrinkAction(10));
    write("a.png");
    for (bool on : {false, true}) {
        SCOPED_TRACE(on);
        state.options[Option::Optimize] = on;
        RecordingSurfaces log;
        runJob(log, {pics()});
        const std::string missing = "Tool not found: jpegtran (its step leaves files unchanged)\r\n"
                                    "Tool not found: gifsicle (its step leaves files unchanged)\r\n"
                                    "Tool not found: qpdf (its step leaves files unchanged)\r\n";
        EXPECT_EQ(log.log().find(missing) != std::string::npos, on) << log.log();
        EXPECT_EQ(log.log().find("Tool not found: jpegtran") != std::string::npos, on);
    }
}

TEST_F(OptimizeStepsTest, TheRecordsKeyNamesTheOptimizersOnlyWhileTheyCanRun)
{
    RecordingSurfaces log;
    const JobContext job = context(log);
    OptionValues off;
    OptionValues on;
    on[Option::Optimize] = true;
    const std::string offKey = jobSetup(job, off);
    const std::string onKey = jobSetup(job, on);
    EXPECT_NE(offKey, onKey);
    // Another jpegtran may compress differently: it counts only where it runs.
    tools.install("jpegtran", jpegtranAction + "# another version\n");
    EXPECT_EQ(jobSetup(job, off), offKey);
    EXPECT_NE(jobSetup(job, on), onKey);
}

TEST_F(OptimizeStepsTest, AStopDuringTheStripLeavesTheOptionalStepUnstarted)
{
    state.options[Option::Optimize] = true;
    state.options[Option::Strip] = true;
    tools.install("exiftool", shrinkAction(10));
    const std::string path = write("a.jpg");
    StoppingSurfaces stopping(state, "     Stripping MetaData... ");

    runJob(stopping, {path});

    EXPECT_EQ(withWorkCopies(tools.calls(), {path}).size(), 1u);
    EXPECT_EQ(stopping.log().find("Optimizing"), std::string::npos) << stopping.log();
}
