// One exiftool per thread for a whole job: the same arguments, log and results as one run per
// file, with sessions that die, run late or are stopped handled like single runs.
#include "engine/exiftool_session_runner.h"
#include "engine/job_runner.h"

#include <signal.h>
#include <unistd.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "engine/compression_job.h"
#include "engine/steps.h"
#include "engine/tool_runner.h"
#include "engine/worker_pool.h"
#include "engine_fixture.h"
#include "support/waiting.h"
#include "support/work_copy.h"
#include "util/live_file.h"

namespace {

// An exiftool stand-in that also keeps a session: each start in session mode adds a line to
// $FAKE_SESSION_LOG and its pid to $FAKE_SESSION_PIDS. A file is recorded and changed as the
// single-run stand-in does it. The first session to get a second file kills itself (once: then
// it makes the file $FAKE_SESSION_DIE, when that is set); a file named *slow* takes 30 s. Escaped
// (#[CSTR]) lines are not decoded: these tests use plain paths.
void installSessionExiftool(const FakeTools& tools, const std::string& action)
{
    const std::string script = tools.folder() + "/exiftool";
    writeFile(script, "#!/bin/sh\n"
                      "PATH=/usr/bin:/bin; export PATH\n"
                      "if [ \"$1\" = -stay_open ]; then\n"
                      "  echo start >> \"$FAKE_SESSION_LOG\"\n"
                      "  echo $$ >> \"$FAKE_SESSION_PIDS\"\n"
                      "  line=exiftool; echo3=; take=\n"
                      "  while IFS= read -r arg; do\n"
                      "    if [ -n \"$take\" ]; then take=; echo3=$arg; continue; fi\n"
                      "    case \"$arg\" in\n"
                      "    -echo3) take=1; continue ;;\n"
                      "    -stay_open) exit 0 ;;\n"
                      "    -execute*)\n"
                      "      n=${arg#-execute}; FILE=$last\n"
                      "      if [ \"$n\" = 2 ] && [ -n \"$FAKE_SESSION_DIE\" ] && [ ! -e "
                      "\"$FAKE_SESSION_DIE\" ]; then\n"
                      "        : > \"$FAKE_SESSION_DIE\"; kill -9 $$; fi\n"
                      "      case \"$FILE\" in *slow*) sleep 30 ;; esac\n"
                      "      printf '%s\\n' \"$line\" >> \"$FAKE_TOOL_LOG\"\n"
                      "      ( " +
                          action +
                          " ); status=$?\n"
                          "      printf '%s%s%s\\n' \"${echo3%%'${status}'*}\" \"$status\" "
                          "\"${echo3#*'${status}'}\"\n"
                          "      printf '{ready%s}\\n' \"$n\"\n"
                          "      line=exiftool; continue ;;\n"
                          "    esac\n"
                          "    line=\"$line|$arg\"; last=$arg\n"
                          "  done\n"
                          "  exit 0\n"
                          "fi\n"
                          "line=exiftool\n"
                          "for a in \"$@\"; do line=\"$line|$a\"; done\n"
                          "printf '%s\\n' \"$line\" >> \"$FAKE_TOOL_LOG\"\n"
                          "for FILE in \"$@\"; do :; done\n" +
                          action + "\n");
    chmod(script.c_str(), 0755);
}

int linesIn(const std::string& path)
{
    std::ifstream in(path);
    int count = 0;
    for (std::string line; std::getline(in, line);)
        ++count;
    return count;
}

std::vector<pid_t> pidsIn(const std::string& path)
{
    std::ifstream in(path);
    std::vector<pid_t> pids;
    for (pid_t pid; in >> pid;)
        pids.push_back(pid);
    return pids;
}

// Nothing of the process group is left (the leader reaped, whatever it started killed).
bool groupGone(pid_t group)
{
    return ::kill(-group, 0) != 0 && errno == ESRCH;
}

std::string withoutStamps(const std::string& log)
{
    std::istringstream in(log);
    std::string kept;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("Starting Compression at") ||
            line.starts_with("Finished Compression at"))
            continue;
        kept += line + "\n";
    }
    return kept;
}

class ExiftoolSessionTest : public EngineTest {
protected:
    ExiftoolSessionTest()
    {
        setenv("FAKE_SESSION_LOG", sessionLog.c_str(), 1);
        setenv("FAKE_SESSION_PIDS", sessionPids.c_str(), 1);
        unsetenv("FAKE_SESSION_DIE");
        installSessionExiftool(tools, shrinkAction(100));
        tools.install("pngout", "");
        state.options[Option::Full] = false;
        state.options[Option::Strip] = true;
    }

    std::vector<std::string> writeImages(const std::string& folder,
                                         const std::vector<std::string>& names)
    {
        std::vector<std::string> paths;
        for (const std::string& name : names) {
            paths.push_back(temp.file(folder + "/" + name));
            writeFileOfSize(paths.back(), 4096);
        }
        return paths;
    }

    int exiftoolCalls() const
    {
        int count = 0;
        for (const std::string& call : tools.calls())
            count += call.starts_with("exiftool|");
        return count;
    }

    std::string sessionLog = temp.file("sessions.log");
    std::string sessionPids = temp.file("sessions.pids");
};

TEST_F(ExiftoolSessionTest, OneProcessServesTheJobWithTheSameLogAndResults)
{
    const std::vector<std::string> names = {"a.png", "b.png", "c.png", "d.png", "e.png"};
    for (bool hog : {false, true}) {
        SCOPED_TRACE(hog ? "worker pool" : "one by one");
        state.options[Option::HogSystem] = hog;
        const std::string single = hog ? "single-hog" : "single";
        const std::string kept = hog ? "kept-hog" : "kept";
        const std::vector<std::string> alone = writeImages(single, names);
        const std::vector<std::string> together = writeImages(kept, names);
        const int startsBefore = linesIn(sessionLog);
        const std::size_t callsBefore = tools.calls().size();

        RecordingSurfaces singleSurfaces;
        runCompressionJob(context(singleSurfaces),
                          JobRequest{{temp.file(single)}, state.options.snapshot()});
        EXPECT_EQ(linesIn(sessionLog), startsBefore) << "the plain interpreter keeps no session";
        const std::vector<std::string> afterSingle = tools.calls();
        const std::vector<std::string> singleCalls(afterSingle.begin() + callsBefore,
                                                   afterSingle.end());

        // The program's own job: the session runner is wired in.
        RecordingSurfaces keptSurfaces;
        runJob(keptSurfaces, {temp.file(kept)});
        const int starts = linesIn(sessionLog) - startsBefore;
        if (hog) {
            EXPECT_GE(starts, 1);
            EXPECT_LE(starts, 4) << "at most one per worker";
        } else {
            EXPECT_EQ(starts, 1);
        }
        EXPECT_EQ(withoutStamps(keptSurfaces.log()), withoutStamps(singleSurfaces.log()));
        const std::vector<std::string> allCalls = tools.calls();
        const std::vector<std::string> keptCalls(
            allCalls.begin() + callsBefore + singleCalls.size(), allCalls.end());
        ASSERT_EQ(keptCalls.size(), singleCalls.size());
        if (!hog) {
            // The same arguments, in the same order: only the folder differs.
            const std::vector<std::string> keptShown = withWorkCopies(keptCalls, {together[0]});
            const std::vector<std::string> singleShown = withWorkCopies(singleCalls, {alone[0]});
            for (std::size_t i = 0; i < keptCalls.size(); ++i) {
                std::string expected = singleShown[i];
                for (std::size_t at; (at = expected.find("/" + single + "/")) != std::string::npos;)
                    expected.replace(at, single.size() + 2, "/" + kept + "/");
                EXPECT_EQ(keptShown[i], expected);
            }
        }
        for (std::size_t i = 0; i < names.size(); ++i)
            EXPECT_EQ(fileSize(together[i]), fileSize(alone[i])) << names[i];
        EXPECT_EQ(fileSize(together[0]), 3996);
        for (pid_t pid : pidsIn(sessionPids))
            EXPECT_TRUE(waitUntil([&] { return groupGone(pid); }, std::chrono::seconds(2)))
                << "session " << pid << " outlived its job";
    }
}

TEST_F(ExiftoolSessionTest, AFileWhoseSessionDiesRunsAloneAndTheJobGoesOn)
{
    const std::vector<std::string> files = writeImages("pics", {"a.png", "b.png", "c.png"});
    state.options[Option::HogSystem] = false;
    setenv("FAKE_SESSION_DIE", temp.file("died").c_str(), 1);

    runJob(surfaces, {pics()});
    unsetenv("FAKE_SESSION_DIE");

    EXPECT_EQ(linesIn(sessionLog), 2) << "the next file starts a new session";
    EXPECT_EQ(exiftoolCalls(), 3) << "each file stripped once";
    for (const std::string& file : files)
        EXPECT_EQ(fileSize(file), 3996) << file;
    EXPECT_EQ(surfaces.log().find("Step undone"), std::string::npos) << surfaces.log();
}

TEST_F(ExiftoolSessionTest, LateAndStoppedFilesEndTheirSessionAsASingleRunWould)
{
    const std::vector<std::string> files = writeImages("pics", {"a-slow.png", "b.png"});
    InterpreterRunner interpreter;
    ExiftoolSessionRunner runner(interpreter);
    std::atomic<bool> abort{false};

    for (RunEnd expected : {RunEnd::TimedOut, RunEnd::Aborted}) {
        ToolRun slow;
        slow.command = stepCommand(stripStep, files[0]);
        slow.abort = &abort;
        if (expected == RunEnd::TimedOut)
            slow.timeLimit = std::chrono::milliseconds(400);
        abort = false;
        std::thread stopper([&] {
            if (expected == RunEnd::Aborted) {
                std::this_thread::sleep_for(std::chrono::milliseconds(400));
                abort = true;
            }
        });
        const auto start = std::chrono::steady_clock::now();
        const RunOutcome outcome = runner.run(slow);
        stopper.join();
        EXPECT_EQ(outcome.end, expected);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        const std::vector<pid_t> pids = pidsIn(sessionPids);
        ASSERT_FALSE(pids.empty());
        // The killed sleep may linger a moment as an orphan until it is collected.
        EXPECT_TRUE(waitUntil([&] { return groupGone(pids.back()); }, std::chrono::seconds(2)))
            << "the session and its sleep are gone";

        // The next file gets a fresh session, which the slow file of the next round uses.
        ToolRun next;
        next.command = stepCommand(stripStep, files[1]);
        EXPECT_EQ(runner.run(next).end, RunEnd::Finished);
    }
    EXPECT_EQ(runner.sessionsStarted(), 3);
    EXPECT_EQ(fileSize(files[0]), 4096);
    EXPECT_EQ(fileSize(files[1]), 3896);
}

TEST_F(ExiftoolSessionTest, RelativePathsStartFromTheFolderCurrentAtEachFile)
{
    const std::vector<std::string> first = writeImages("one", {"a.png"});
    const std::vector<std::string> second = writeImages("two", {"a.png"});
    char saved[4096];
    ASSERT_NE(::getcwd(saved, sizeof saved), nullptr);
    InterpreterRunner interpreter;
    ExiftoolSessionRunner runner(interpreter);
    for (const char* folder : {"one", "two"}) {
        ASSERT_EQ(::chdir(temp.file(folder).c_str()), 0);
        EXPECT_EQ(runner.run(ToolRun{stepCommand(stripStep, "a.png")}).end, RunEnd::Finished);
    }
    ASSERT_EQ(::chdir(saved), 0);
    EXPECT_EQ(fileSize(first[0]), 3996);
    EXPECT_EQ(fileSize(second[0]), 3996);
    EXPECT_EQ(runner.sessionsStarted(), 2);
}

TEST(ArgumentFileLine, PlainWhereExiftoolKeepsTheLineEscapedOrRefusedOtherwise)
{
    for (const char* plain : {"-all=", "--ICC_Profile:all", "-PNG:Gamma<${PNG:Gamma;$_=1}",
                              "/pics/a b.png", "a  ", "-tagsFromFile", "@", "x = y"})
        EXPECT_EQ(argumentFileLine(plain), std::string(plain)) << plain;
    EXPECT_EQ(argumentFileLine(""), std::string("#[CSTR]"));
    EXPECT_EQ(argumentFileLine(" lead.png"), std::string("#[CSTR] lead.png"));
    EXPECT_EQ(argumentFileLine("#1.png"), std::string("#[CSTR]#1.png"));
    EXPECT_EQ(argumentFileLine("a\nb\\\"c"), std::string("#[CSTR]a\\nb\\\\\\\"c"));
    EXPECT_EQ(argumentFileLine("-Comment = x"), std::string("#[CSTR]-Comment = x"));
    EXPECT_EQ(argumentFileLine("-Comment= x"), std::string("#[CSTR]-Comment= x"));
    EXPECT_FALSE(argumentFileLine("\n$x"));
    EXPECT_FALSE(argumentFileLine(" @x"));
}

// The real exiftool, when installed: the session strips exactly what a run of its own strips,
// and refuses what it refuses with the same exit status.
TEST(RealExiftoolSession, StripsTheSameBytesAsASingleRun)
{
    if (!InterpreterRunner().canFind("exiftool"))
        GTEST_SKIP() << "exiftool is not installed";
    TempFolder temp;
    const std::string alone = temp.file("alone.png");
    const std::string kept = temp.file("kept.png");
    writeFileOfSize(alone, 4096);
    ASSERT_EQ(std::system(("exiftool -q -overwrite_original -Comment=remove-me -XMP:Title=gone '" +
                           alone + "'")
                              .c_str()),
              0);
    const std::int64_t tagged = fileSize(alone);
    ASSERT_NE(readFile(alone).find("remove-me"), std::string::npos);
    writeFile(kept, readFile(alone));
    const std::string bad = temp.write("bad.png", "not an image\n");
    const std::string badKept = temp.write("bad-kept.png", "not an image\n");
    InterpreterRunner interpreter;
    ExiftoolSessionRunner runner(interpreter);

    const RunOutcome single = runner.run(ToolRun{stepCommand(stripStep, alone)});
    const RunOutcome session = runner.run(ToolRun{stepCommand(stripStep, kept)});
    EXPECT_EQ(session.end, RunEnd::Finished);
    EXPECT_EQ(session.code, single.code);
    EXPECT_EQ(single.code, 0);
    EXPECT_LT(fileSize(alone), tagged);
    EXPECT_EQ(readFile(kept), readFile(alone));
    EXPECT_EQ(readFile(kept).find("remove-me"), std::string::npos);

    const RunOutcome singleBad = runner.run(ToolRun{stepCommand(stripStep, bad)});
    const RunOutcome sessionBad = runner.run(ToolRun{stepCommand(stripStep, badKept)});
    EXPECT_EQ(singleBad.code, 1);
    EXPECT_EQ(sessionBad.end, RunEnd::Finished);
    EXPECT_EQ(sessionBad.code, singleBad.code);
    EXPECT_EQ(runner.sessionsStarted(), 1);
}

} // namespace
