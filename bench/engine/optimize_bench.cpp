// The Optimize option against the best single tool on the same files, in one run: a corpus made
// here (plasma photos, camera-like photos with EXIF, GIF animations, text PDFs), each kind
// compressed by the job with only the new step (Strip off), and by the reference alone:
// jpegoptim --all-progressive for JPEG, gifsicle -O3 for GIF, qpdf with the same settings for
// PDF. Prints each kind's saving and the reference's, the time per megabyte each adds, and what
// the checks cost of the new steps' time (a job whose checker keeps every result unseen).
// Targets: every kind saves at least the reference's saving; the checks at most 10%.
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench/engine/bench_support.h"
#include "engine/command_runner.h"
#include "engine/compression_job.h"
#include "engine/engine_state.h"
#include "engine/job_context.h"
#include "engine/result_check.h"
#include "support/pdf_objects.h"

namespace fs = std::filesystem;

namespace {

class KeepEveryResult : public ResultChecker {
public:
    Verdict check(CheckKind, const std::string&, const std::string&) override
    {
        return Verdict{true, std::string()};
    }
};

std::string textPdf(int pages, int seed)
{
    std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>", ""};
    std::string kids;
    for (int page = 0; page < pages; ++page) {
        const int pageObject = 3 + page * 2;
        kids += std::to_string(pageObject) + " 0 R ";
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents " +
                          std::to_string(pageObject + 1) + " 0 R /Resources << /Font << /F1 " +
                          std::to_string(3 + pages * 2) + " 0 R >> >> >>");
        std::string content;
        for (int line = 0; line < 60; ++line)
            content += "BT /F1 11 Tf 40 " + std::to_string(800 - line * 13) + " Td (Page " +
                       std::to_string(page + 1) + ", line " + std::to_string(line) +
                       ": the quick brown fox " + std::to_string((seed * 7 + line) % 97) +
                       ") Tj ET\n";
        objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" +
                          content + "endstream");
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>";
    objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    return pdfOfObjects(objects);
}

bool makeCorpus(const std::string& root)
{
    bool ok = shell("mkdir -p '" + root + "/jpeg' '" + root + "/gif' '" + root + "/pdf'") == 0;
    for (int i = 0; i < 8 && ok; ++i)
        ok = shell("convert -seed " + std::to_string(i + 1) + " -size 800x600 plasma:fractal " +
                   "-quality 92 '" + root + "/jpeg/plasma" + std::to_string(i) + ".jpg'") == 0;
    // Camera-like: larger, with the tags a camera writes (and a thumbnail's worth of comment).
    for (int i = 0; i < 4 && ok; ++i) {
        const std::string path = root + "/jpeg/camera" + std::to_string(i) + ".jpg";
        ok = shell("convert -seed " + std::to_string(20 + i) +
                   " -size 1600x1200 plasma:fractal -blur 0x1 -quality 95 '" + path + "'") == 0 &&
             shell("exiftool -q -overwrite_original -Make=Camera -Model='Model " +
                   std::to_string(i) +
                   "' -DateTimeOriginal='2026:12:01 10:00:00' -Orientation#=6 "
                   "-GPSLatitude=48.1 -GPSLongitude=11.5 -Software=bench '" +
                   path + "'") == 0;
    }
    // Animations whose full frames differ in a small moving square: what frame optimisation
    // gains.
    for (int i = 0; i < 4 && ok; ++i) {
        std::string frames;
        for (int frame = 0; frame < 8; ++frame) {
            const int x = 10 + frame * 20 + i * 3;
            frames += " '(' -clone 0 -fill red -draw 'rectangle " + std::to_string(x) + ",40 " +
                      std::to_string(x + 16) + ",56' ')'";
        }
        ok = shell("convert -seed " + std::to_string(40 + i) + " -size 240x120 plasma:fractal " +
                   "-colors 64" + frames + " -delete 0 -set delay 8 -loop 0 '" + root +
                   "/gif/anim" + std::to_string(i) + ".gif'") == 0;
    }
    // ImageMagick may not write PDF here (its policy); text PDFs are written directly.
    for (int i = 0; i < 6 && ok; ++i) {
        std::FILE* file =
            std::fopen((root + "/pdf/text" + std::to_string(i) + ".pdf").c_str(), "wb");
        if (!file)
            return false;
        const std::string pdf = textPdf(4 + i * 3, i);
        ok = std::fwrite(pdf.data(), 1, pdf.size(), file) == pdf.size();
        std::fclose(file);
    }
    return ok;
}

std::int64_t bytesIn(const std::string& folder)
{
    std::int64_t total = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            total += static_cast<std::int64_t>(entry.file_size());
    return total;
}

struct Measure {
    double saving = 0;  // share of the bytes saved
    double seconds = 0; // wall time
};

Measure ours(const std::string& corpus, const std::string& copy, ResultChecker& checker)
{
    shell("rm -rf '" + copy + "' && cp -R '" + corpus + "' '" + copy + "'");
    EngineState state;
    state.options[Option::Copy] = false;
    state.options[Option::Strip] = false;
    state.options[Option::Full] = false;
    state.options[Option::Optimize] = true;
    InterpreterRunner runner;
    KeptSurfaces surfaces;
    const JobContext job{surfaces, state, runner, checker};
    const std::int64_t before = bytesIn(copy);
    Measure measure;
    measure.seconds = secondsFor([&] {
        runCompressionJob(job, JobRequest{{copy}, state.options.snapshot()});
    });
    measure.saving = 1.0 - static_cast<double>(bytesIn(copy)) / static_cast<double>(before);
    return measure;
}

Measure reference(const std::string& kind, const std::string& corpus, const std::string& copy)
{
    shell("rm -rf '" + copy + "' && cp -R '" + corpus + "' '" + copy + "'");
    const std::int64_t before = bytesIn(copy);
    std::string command;
    if (kind == "jpeg")
        command = "jpegoptim -q --all-progressive '" + copy + "'/*.jpg";
    else if (kind == "gif")
        command = "gifsicle -b -O3 '" + copy + "'/*.gif";
    else
        command = "for f in '" + copy +
                  "'/*.pdf; do qpdf --recompress-flate "
                  "--compression-level=9 --object-streams=generate \"$f\" \"$f.out\"; "
                  "mv \"$f.out\" \"$f\"; done";
    Measure measure;
    measure.seconds = secondsFor([&] { shell(command + " >/dev/null 2>&1"); });
    measure.saving = 1.0 - static_cast<double>(bytesIn(copy)) / static_cast<double>(before);
    return measure;
}

} // namespace

int main()
{
    for (const char* tool : {"convert", "exiftool", "jpegtran", "jpegoptim", "gifsicle", "qpdf"})
        if (shell(std::string("command -v ") + tool + " >/dev/null") != 0) {
            std::printf("%s is not installed (bash scripts/setup.sh --bench)\n", tool);
            return 1;
        }
    const std::string scratch = makeScratch("tarnwick-optimize");
    unsetenv("COMSPEC");
    if (scratch.empty() || !makeCorpus(scratch + "/corpus")) {
        std::printf("the corpus could not be made\n");
        return 1;
    }
    InterpreterRunner interpreter;
    ContentChecker checks(interpreter);
    KeepEveryResult unchecked;
    int failures = 0;
    double checkedSeconds = 0, uncheckedSeconds = 0;
    std::printf("%-5s %8s %10s %10s %14s %14s\n", "kind", "MB", "saving", "reference",
                "s/MB (ours)", "s/MB (ref.)");
    for (const std::string kind : {"jpeg", "gif", "pdf"}) {
        const std::string corpus = scratch + "/corpus/" + kind;
        const double megabytes = static_cast<double>(bytesIn(corpus)) / (1024 * 1024);
        // Alternating rounds, so a busy machine disturbs both alike; medians of three.
        std::vector<double> withChecks, withoutChecks, referenceTimes;
        Measure mine, theirs;
        for (int round = 0; round < 3; ++round) {
            mine = ours(corpus, scratch + "/ours", checks);
            withChecks.push_back(mine.seconds);
            withoutChecks.push_back(ours(corpus, scratch + "/ours", unchecked).seconds);
            theirs = reference(kind, corpus, scratch + "/reference");
            referenceTimes.push_back(theirs.seconds);
        }
        checkedSeconds += median(withChecks);
        uncheckedSeconds += median(withoutChecks);
        std::printf("%-5s %8.2f %9.2f%% %9.2f%% %14.3f %14.3f   checks %.0f%% of the step\n",
                    kind.c_str(), megabytes, mine.saving * 100, theirs.saving * 100,
                    median(withChecks) / megabytes, median(referenceTimes) / megabytes,
                    (median(withChecks) - median(withoutChecks)) / median(withChecks) * 100);
        // Savings are compared to a tenth of a percent of the bytes: the same tool may differ
        // by a byte or two in what it writes.
        failures += report(kind + " saving against the reference (ours / theirs)",
                           mine.saving / theirs.saving, 0.999, false);
    }
    std::printf("load average %.2f\n", loadAverage());
    failures += report("checks' share of the new steps' time",
                       (checkedSeconds - uncheckedSeconds) / checkedSeconds, 0.10, true);
    removeScratch(scratch);
    return failures == 0 ? 0 : 1;
}
