#include "engine/compression_job.h"

#include <algorithm>
#include <filesystem>

#include "engine/file_collection.h"
#include "engine/file_queries.h"
#include "engine_fixture.h"
#include "support/work_copy.h"
#include "util/file_system.h"
#include "util/live_file.h"

namespace {

// The files the recorded calls worked on through their work copies, in order of their first
// call, by bare name; candidates are full paths that differ in folder or suffix. An argument that
// is no work copy (the file itself, say) is kept whole, so it shows.
std::vector<std::string> filesInCallOrder(const std::vector<std::string>& calls,
                                          const std::vector<std::string>& candidates)
{
    std::vector<std::string> files;
    for (const std::string& call : withWorkCopies(calls, candidates)) {
        std::string name = call.substr(call.find_last_of('|') + 1);
        for (const std::string& candidate : candidates)
            if (name == workCopy(candidate))
                name = candidate.substr(candidate.find_last_of('/') + 1);
        if (std::find(files.begin(), files.end(), name) == files.end())
            files.push_back(name);
    }
    return files;
}

} // namespace

using CompressionJobTest = EngineTest;

TEST_F(CompressionJobTest, FolderJobWithBackupLogsLikeTheSample)
{
    FixedClock stamps({december7(14, 5, 9), december7(14, 5, 9), december7(14, 5, 31)});
    state.options[Option::Copy] = true;
    state.options[Option::Full] = false;
    state.options[Option::Strip] = false;
    writeFileOfSize(pics() + "/a.png", 12642);
    writeFileOfSize(pics() + "/sub/b.png", 40960);
    // The tool sees only a work copy named work.png; its folder tells the two apart.
    tools.install("pngout", "case \"$FILE\" in */sub/.tarnwick-*) " + setSizeAction(32000) +
                                ";; *) " + setSizeAction(10547) + ";; esac");

    EXPECT_EQ(runJob(surfaces, {pics()}), JobOutcome::Done);

    // The walk's own order decides which file comes first.
    std::vector<std::string> order;
    listFilesWithSuffix(pics(), order, ".png", true);
    ASSERT_EQ(order.size(), 2u);
    const std::string backup = pics() + "Backup_07_12_2026__14_05_09";
    std::vector<std::string> lines = {startStamp, "Backing up originals... done",
                                      "Originals backed up to " + resolvedPath(backup)};
    for (const std::string& path : order) {
        if (path.ends_with("a.png"))
            lines.insert(lines.end(), {"Compressing a.png (12.346 KB)",
                                       "     Fast Compression...  New Size: 10.300 KB",
                                       "     Compressed file is 83.428% of the original"});
        else
            lines.insert(lines.end(),
                         {std::string("Compressing sub") + pathSeparator + "b.png (40.000 KB)",
                          "     Fast Compression...  New Size: 31.250 KB",
                          "     Compressed file is 78.125% of the original"});
    }
    lines.insert(lines.end(), {finishStamp, ""});
    EXPECT_EQ(surfaces.log(), logLines(lines));

    EXPECT_EQ(fileSize(backup + "/a.png"), 12642);
    EXPECT_EQ(fileSize(backup + "/sub/b.png"), 40960);
    EXPECT_EQ(surfaces.status(1), "Saved: 10.796 KB");
    EXPECT_FALSE(state.running);
    EXPECT_EQ(workFoldersIn(pics()), std::vector<std::string>{});
}

TEST_F(CompressionJobTest, SingleFileRunsEveryStepLikeTheSample)
{
    const std::string path = pics() + "/a.png";
    writeFileOfSize(path, 12642);
    tools.install("exiftool", setSizeAction(11264));
    tools.install("pngcrush", crushToSizeAction(10752));
    tools.install("optipng", setSizeAction(10650));
    tools.install("pngout", setSizeAction(10547));

    EXPECT_EQ(runJob(surfaces, {path}), JobOutcome::Done);

    EXPECT_EQ(
        surfaces.log(),
        logLines({startStamp, "Compressing a.png (12.346 KB)",
                  "     Stripping MetaData...  New Size: 11.000 KB",
                  "     Pass 1/3...  New Size: 10.500 KB", "     Pass 2/3...  New Size: 10.400 KB",
                  "     Pass 3/3...  New Size: 10.300 KB",
                  "     Compressed file is 83.428% of the original", finishStamp, ""}));
    const std::string temporary = pics() + "/a_pngcrush.png";
    EXPECT_EQ(withWorkCopies(tools.calls(), {path}),
              (std::vector<std::string>{
                  "exiftool|" + stripCallArguments() + workCopy(path),
                  "pngcrush|-brute|-reduce|" + workCopy(path) + "|" + workCopy(path, "-out"),
                  "optipng|-o7|" + workCopy(path), "pngout|" + workCopy(path)}));
    EXPECT_EQ(fileSize(temporary), -1);
    EXPECT_EQ(workFoldersIn(pics()), std::vector<std::string>{});
    EXPECT_EQ(surfaces.status(1), "Saved: 2.046 KB");
    // A single file does not touch the file counter.
    EXPECT_TRUE(surfaces.statusHistory(0).empty());
}

TEST_F(CompressionJobTest, ParallelJobLogsOneLineAndSavesTheSame)
{
    state.options[Option::HogSystem] = true;
    state.options[Option::Full] = false;
    state.options[Option::Strip] = false;
    writeFileOfSize(pics() + "/a.png", 12642);
    writeFileOfSize(pics() + "/sub/b.png", 40960);
    tools.install("pngout", shrinkAction(1000));

    EXPECT_EQ(runJob(surfaces, {pics()}), JobOutcome::Done);

    EXPECT_EQ(surfaces.log(),
              logLines({startStamp, "Compressing 2 files... done.", finishStamp, ""}));
    EXPECT_EQ(surfaces.status(1), "Saved: 1.953 KB");
    EXPECT_EQ(fileSize(pics() + "/a.png"), 11642);
    EXPECT_EQ(fileSize(pics() + "/sub/b.png"), 39960);
}

TEST_F(CompressionJobTest, KindsAreCompressedInWalkOrderAndInAnyCaseFromFolders)
{
    state.options[Option::Full] = false;
    state.options[Option::Apps] = true;
    std::vector<std::string> files;
    for (const char* name : {"k/a.gif", "b.dll", "c.exe", "d.jpg", "e.jpeg", "f.pdf", "g.tiff",
                             "h.tif", "i.png", "J.PNG", "k.Jpg", "l.bmp"}) {
        files.push_back(pics() + "/" + name);
        writeFileOfSize(files.back(), 5000);
    }
    tools.installShrinkingSet(10);

    runJob(surfaces, {pics()});

    // Files of one kind come in the walk's own order.
    std::vector<std::string> order = filesInCallOrder(tools.calls(), files);
    ASSERT_EQ(order.size(), 11u);
    const auto sortPair = [&](std::size_t first) {
        std::sort(order.begin() + static_cast<std::ptrdiff_t>(first),
                  order.begin() + static_cast<std::ptrdiff_t>(first + 2));
    };
    sortPair(0);
    sortPair(5);
    EXPECT_EQ(order,
              (std::vector<std::string>{"J.PNG", "i.png", "h.tif", "g.tiff", "e.jpeg", "d.jpg",
                                        "k.Jpg", "f.pdf", "a.gif", "c.exe", "b.dll"}));
    EXPECT_EQ(surfaces.statusHistory(0).back(), "Compressing File: 11/11");
}

TEST_F(CompressionJobTest, OptionsChooseWhatAFolderContributes)
{
    struct Case {
        bool strip, apps, jpgs, pngs;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {false, false, true, true, {"i.png"}},
        {false, true, true, true, {"i.png", "c.exe"}},
        {true, false, false, true, {"i.png", "a.gif"}},
        {true, false, true, false, {"d.jpg", "a.gif"}},
    };
    state.options[Option::Full] = false;
    std::vector<std::string> files;
    for (const char* name : {"a.gif", "c.exe", "d.jpg", "i.png"}) {
        files.push_back(pics() + "/" + name);
        writeFileOfSize(files.back(), 100);
    }
    tools.installShrinkingSet(0);
    for (const Case& c : cases) {
        state.options[Option::Strip] = c.strip;
        state.options[Option::Apps] = c.apps;
        state.options[Option::Jpgs] = c.jpgs;
        state.options[Option::Pngs] = c.pngs;
        std::filesystem::remove(tools.folder() + "/calls.log");
        runJob(surfaces, {pics()});
        EXPECT_EQ(filesInCallOrder(tools.calls(), files), c.files)
            << "Strip " << c.strip << " Apps " << c.apps << " Jpgs " << c.jpgs;
    }
}

TEST_F(CompressionJobTest, SingleFileIsClassifiedByItsLowerCasedName)
{
    state.options[Option::Apps] = false;
    state.options[Option::Full] = false;
    state.options[Option::Strip] = false;
    const std::string png = pics() + "/PHOTO.PNG";
    const std::string exe = pics() + "/tool.exe";
    writeFileOfSize(png, 2048);
    writeFileOfSize(exe, 2048);
    tools.installShrinkingSet(1024);

    runJob(surfaces, {png});
    runJob(surfaces, {exe});

    EXPECT_EQ(withWorkCopies(tools.calls(), {png, exe}),
              (std::vector<std::string>{"pngout|" + workCopy(png), "upx|" + workCopy(exe)}));
    EXPECT_EQ(workFoldersIn(pics()), std::vector<std::string>{});
    EXPECT_NE(surfaces.log().find("Compressing PHOTO.PNG (2.000 KB)\r\n"), std::string::npos);
    EXPECT_NE(surfaces.log().find("     Compressing...  New Size: 1.000 KB\r\n"),
              std::string::npos);
}

TEST_F(CompressionJobTest, NothingToDoLogsOnlyTheStamps)
{
    writeFileOfSize(pics() + "/a.bmp", 10);
    writeFileOfSize(pics() + "/empty/readme.txt", 10);
    writeFileOfSize(pics() + "/holiday.png/inside.jpg", 10);
    tools.installShrinkingSet(1);
    const struct {
        std::string path;
        JobOutcome outcome;
    } cases[] = {
        {pics() + "/missing", JobOutcome::PathMissing},
        {pics() + "/missing.png", JobOutcome::PathMissing},
        {pics() + "/a.bmp", JobOutcome::UnsupportedFile},
        {pics() + "/holiday.png", JobOutcome::UnsupportedFile},
        {pics() + "/empty", JobOutcome::Done},
    };
    for (const auto& c : cases) {
        RecordingSurfaces log;
        FixedClock fixed({december7(14, 5, 9), december7(14, 5, 31)});
        EXPECT_EQ(runJob(log, {c.path}), c.outcome) << c.path;
        EXPECT_EQ(log.log(), logLines({startStamp, finishStamp, ""})) << c.path;
    }
    EXPECT_TRUE(tools.calls().empty());
    EXPECT_TRUE(runJobs(surfaces, {}).empty());
    EXPECT_EQ(surfaces.log(), "");
}

TEST_F(CompressionJobTest, MissingToolsAreNamedRightAfterTheStartStamp)
{
    FakeTools onlyPngout(temp.file("bin2"), false);
    onlyPngout.install("pngout", shrinkAction(1024));
    const std::string path = pics() + "/a.png";
    writeFileOfSize(path, 4096);

    runJob(surfaces, {path});

    EXPECT_EQ(
        surfaces.log(),
        logLines({startStamp, "Tool not found: pngcrush (its step leaves files unchanged)",
                  "Tool not found: OptiPNG (its step leaves files unchanged)",
                  "Tool not found: exiftool (its step leaves files unchanged)",
                  "Compressing a.png (4.000 KB)", "     Stripping MetaData...  New Size: 4.000 KB",
                  "     Pass 1/3...  New Size: 4.000 KB", "     Pass 2/3...  New Size: 4.000 KB",
                  "     Pass 3/3...  New Size: 3.000 KB",
                  "     Compressed file is 75.000% of the original", finishStamp, ""}));
}

TEST_F(CompressionJobTest, StopBetweenFilesFinishesTheCurrentFileOnly)
{
    state.options[Option::Full] = false;
    state.options[Option::Strip] = false;
    writeFileOfSize(pics() + "/a.png", 2048);
    writeFileOfSize(pics() + "/b.png", 2048);
    tools.installShrinkingSet(1024);
    StoppingSurfaces stopping(state, "     Compressed file is ");

    runJob(stopping, {pics()});

    EXPECT_EQ(tools.calls().size(), 1u);
    const std::string log = stopping.log();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 6) << log;
    EXPECT_TRUE(log.ends_with(
        logLines({"     Compressed file is 50.000% of the original", finishStamp, ""})))
        << log;
}

TEST_F(CompressionJobTest, PathsEndAtTheLastSlash)
{
    EXPECT_EQ(folderPart("/x/pics/a.png"), "/x/pics/");
    EXPECT_EQ(folderPart("a.png"), "");
    // A backslash separates only where it is the system's separator.
    EXPECT_EQ(folderPart("dir\\a.png"), isSeparator('\\') ? "dir\\" : "");
    EXPECT_TRUE(isSingleFilePath("holiday.PnG"));
    EXPECT_TRUE(isSingleFilePath("x.TIFF"));
    EXPECT_FALSE(isSingleFilePath("x.png.bak"));
    EXPECT_FALSE(isSingleFilePath("png"));
}

TEST_F(CompressionJobTest, EveryPathOfARequestRunsInOrderBetweenOneStartAndOneFinish)
{
    state.options[Option::Full] = false;
    state.options[Option::Strip] = false;
    writeFileOfSize(pics() + "/one.png", 2048);
    writeFileOfSize(pics() + "/folder/two.png", 2048);
    writeFileOfSize(pics() + "/b.bmp", 10);
    tools.installShrinkingSet(1024);

    EXPECT_EQ(runJobs(surfaces, {pics() + "/one.png", pics() + "/gone", pics() + "/b.bmp",
                                 pics() + "/folder"}),
              (std::vector<JobOutcome>{JobOutcome::Done, JobOutcome::PathMissing,
                                       JobOutcome::UnsupportedFile, JobOutcome::Done}));
    EXPECT_EQ(
        surfaces.log(),
        logLines({startStamp, "Compressing one.png (2.000 KB)",
                  "     Fast Compression...  New Size: 1.000 KB",
                  "     Compressed file is 50.000% of the original",
                  "Compressing two.png (2.000 KB)", "     Fast Compression...  New Size: 1.000 KB",
                  "     Compressed file is 50.000% of the original", finishStamp, ""}));
    EXPECT_EQ(surfaces.status(1), "Saved: 2.000 KB");
}

TEST_F(CompressionJobTest, ShardsShareAFolderWithoutOverlapAndCoverItAll)
{
    state.options[Option::Full] = false;
    state.options[Option::Strip] = false;
    std::vector<std::string> names;
    for (int i = 0; i < 24; ++i) {
        names.push_back("sub" + std::to_string(i % 3) + "/f" + std::to_string(i) + ".png");
        writeFileOfSize(pics() + "/" + names.back(), 2048);
    }
    tools.installShrinkingSet(1024);
    std::vector<int> timesDone(names.size(), 0);
    for (unsigned shard = 1; shard <= 4; ++shard) {
        RecordingSurfaces log;
        JobRequest request{{pics()}, state.options.snapshot()};
        request.shard = Shard{shard, 4};
        runCompressionJob(context(log), request);
        int mine = 0;
        for (std::size_t i = 0; i < names.size(); ++i) {
            std::string shown = names[i];
            std::replace(shown.begin(), shown.end(), '/', pathSeparator);
            if (log.log().find("Compressing " + shown + " (") != std::string::npos) {
                ++timesDone[i];
                ++mine;
            }
        }
        EXPECT_GT(mine, 0) << "shard " << shard << " of 24 files got none";
    }
    EXPECT_EQ(timesDone, std::vector<int>(names.size(), 1)) << "every file exactly once";
    for (const std::string& name : names)
        EXPECT_EQ(fileSize(pics() + "/" + name), 1024) << name;
    EXPECT_TRUE(inShard("anything", Shard{1, 1}));
    // Every system splits a tree alike.
    for (const std::string& name : names) {
        std::string native = name;
        std::replace(native.begin(), native.end(), '/', pathSeparator);
        EXPECT_EQ(inShard(native, Shard{2, 4}), inShard(name, Shard{2, 4})) << name;
    }
}
