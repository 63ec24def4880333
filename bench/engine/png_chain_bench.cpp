// What stands in for pngout where it cannot be found, chosen by measurement: a corpus of icons,
// screenshots, photos and charts made here from installed Debian files and programs, compressed by
// real jobs with Full on and off (Strip on, as by default), once per candidate. A candidate runs as
// "pngout" (a script on the bench's own PATH). Full's first two passes do not depend on the
// candidate, so they run once: a candidate's Full time is that job's time plus its own pass over
// the job's results (a job with Full and Strip off runs only the last pass, as "pngout"). The
// shipped Pass 3/3 row is measured that way, its command taken from the step table; the shipped
// Fast Compression row runs as itself, with no pngout anywhere. Needs Xvfb, xmessage, ImageMagick
// and gnuplot.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench/engine/bench_support.h"
#include "engine/compression_job.h"
#include "engine/engine_state.h"
#include "engine/steps.h"

namespace fs = std::filesystem;

namespace {

// Fills $1 with icons/, screens/, photos/ and charts/. The icons are every 40th PNG of the
// installed themes in name order; the photos the installed wallpapers, scaled down; the
// screenshots a virtual desktop with a wallpaper and a text window, plus a dialog drawn by
// ImageMagick; the charts what people plot and draw: gnuplot's line, bar and surface charts,
// a box diagram and a gradient.
const char* corpusScript = R"sh(set -e
out=$1
mkdir -p "$out/icons" "$out/screens" "$out/photos"
IM=/usr/bin/convert
find /usr/share/icons /usr/share/pixmaps -name '*.png' -type f | LC_ALL=C sort | awk 'NR % 40 == 1' |
  while IFS= read -r f; do cp "$f" "$out/icons/$(echo "$f" | cut -d/ -f4- | tr / _)"; done
i=0
for f in /usr/share/backgrounds/*.jpg; do
  i=$((i+1)); $IM "$f" -resize 480x "$out/photos/photo$i.png"
done
exec 3>"$out/display"
Xvfb -noreset -displayfd 3 -screen 0 800x560x24 >/dev/null 2>&1 &
xvfb=$!
trap "kill $xvfb 2>/dev/null || true" EXIT
while [ ! -s "$out/display" ]; do sleep 0.1; done
DISPLAY=:$(cat "$out/display"); export DISPLAY
# it sets the background and then reports a failure
display -window root -resize '800x560!' "$(ls /usr/share/backgrounds/*.jpg | head -n 1)" >/dev/null 2>&1 || true
n=0
for file in /usr/share/common-licenses/GPL-3 /usr/share/common-licenses/Apache-2.0 /etc/services; do
  n=$((n+1))
  case $n in 1) geo=700x480+10+10 ;; 2) geo=480x320+200+120 ;; *) geo=400x500+40+30 ;; esac
  head -c 3000 "$file" | xmessage -geometry $geo -file - -buttons Cancel,OK >/dev/null 2>&1 &
  m=$!
  sleep 1
  import -window root "$out/screens/screen$n.png"
  kill $m
done
rm "$out/display"
$IM -size 800x500 xc:'#f6f5f4' -fill white -stroke '#c0bfbc' -draw 'rectangle 20,60 780,420' \
  -fill '#3584e4' -stroke none -draw 'roundrectangle 600,440 780,480 6,6' \
  -fill black -font DejaVu-Sans -pointsize 14 -annotate +30+40 'Compression settings' \
  -annotate +40+90 'Folder: /home/user/Pictures/holiday' -annotate +40+120 'Files: 1,204' \
  -fill white -annotate +650+466 'Start' "$out/screens/dialog.png"
mkdir -p "$out/charts"
gnuplot <<GP
set terminal pngcairo size 800,500 font "DejaVu Sans,10"
set output "$out/charts/lines.png"
set grid; set title "Response time"; set xlabel "requests/s"; set ylabel "ms"
plot [0:20] 5+x**1.5 w lp lw 2 t "cold", 3+x w lp lw 2 t "warm", 2+0.5*x w l lw 2 t "cached"
set output "$out/charts/bars.png"
set style data histograms; set style fill solid 0.8 border -1; set boxwidth 0.8
set title "Files per folder"; unset xlabel; unset ylabel
\$d << EOD
photos 1204 310
icons 822 790
screens 310 95
docs 120 40
EOD
plot \$d u 2:xtic(1) t "before", '' u 3 t "after"
set terminal pngcairo size 640,480
set output "$out/charts/surface.png"
set title "Error surface"; set pm3d; set isosamples 50; unset key
splot [-8:8][-8:8] sin(sqrt(x*x+y*y))/sqrt(x*x+y*y+0.01)
GP
$IM -size 800x400 xc:white -stroke '#3584e4' -strokewidth 2 -fill '#dbe8fa' \
  -draw 'roundrectangle 30,150 210,250 10,10' -draw 'roundrectangle 310,150 490,250 10,10' \
  -draw 'roundrectangle 590,150 770,250 10,10' -draw 'line 210,200 310,200' \
  -draw 'line 490,200 590,200' -fill '#3584e4' -draw 'polygon 310,200 298,194 298,206' \
  -draw 'polygon 590,200 578,194 578,206' -stroke none -fill black -font DejaVu-Sans \
  -pointsize 16 -annotate +75+205 'Strip' -annotate +365+205 'Pass 1-2' \
  -annotate +650+205 'Pass 3' "$out/charts/diagram.png"
$IM -size 640x400 gradient:'#3584e4'-'#f6f5f4' "$out/charts/gradient.png"
)sh";

const char* const corpusParts[] = {"icons", "screens", "photos", "charts"};

// zopflipng writes a new file; as "pngout" it must rewrite its file, and only when it gained.
const char* keepChunks =
    "--keepchunks=iCCP,sRGB,gAMA,cHRM,cICP,mDCv,cLLi,eXIf,pHYs,tEXt,zTXt,iTXt,tIME";

struct Candidate {
    std::string name;
    std::string script; // as pngout: rewrites "$1" in place; empty: the shipped stand-in itself
    bool forFull;
    bool forFast;
};

// The shipped Pass 3/3 row as "zopflipng -m": its options past the chunks it keeps.
std::string shippedFullName()
{
    const std::string& options = finalPassStandIn.options;
    const std::size_t chunks = options.find(keepChunks);
    return std::string(finalPassStandIn.tool->shown) +
           (chunks == std::string::npos ? " " + options
                                        : options.substr(chunks + std::string(keepChunks).size()));
}

std::vector<Candidate> candidates()
{
    const std::string zopfli = std::string("zopflipng -y ") + keepChunks;
    const std::string shippedFull = shippedFullName();
    const std::string intoPlace =
        " \"$1\" \"$1.z.png\" && [ $(stat -c %s \"$1.z.png\") -lt $(stat -c %s \"$1\") ] && "
        "mv \"$1.z.png\" \"$1\"; rm -f \"$1.z.png\"";
    return {
        {"no stand-in (pngout absent)", "", true, true},
        {"zopflipng -q", zopfli + " -q" + intoPlace, false, true},
        {"zopflipng -m", zopfli + " -m" + intoPlace, false, true},
        {"zopflipng, plain", zopfli + intoPlace, true, false},
        {"advpng -z -4", "advpng -q -z -4 \"$1\"", true, false},
        {"OptiPNG -o2", "optipng -quiet -o2 \"$1\"", false, true},
        {"OptiPNG -o2, then advpng -z -4 -i 1",
         "optipng -quiet -o2 \"$1\" && advpng -q -z -4 -i 1 \"$1\"", false, true},
        {"shipped Pass 3/3 row: " + shippedFull,
         std::string(finalPassStandIn.tool->command) + " " + finalPassStandIn.options + intoPlace,
         true, false},
        {"shipped Fast Compression row", "", false, true},
    };
}

std::int64_t pngBytes(const std::string& folder, int* count = nullptr)
{
    std::int64_t bytes = 0;
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().extension() == ".png") {
            bytes += static_cast<std::int64_t>(entry.file_size());
            ++files;
        }
    if (count)
        *count = files;
    return bytes;
}

void writeScript(const std::string& path, const std::string& text)
{
    std::FILE* out = std::fopen(path.c_str(), "w");
    if (!out)
        return;
    std::fputs(text.c_str(), out);
    std::fclose(out);
    fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
}

// A bin folder with the system's exiftool, pngcrush and OptiPNG, and the candidate: as a pngout
// script, or (shipped) the real zopflipng, or nothing.
std::string binFor(const std::string& scratch, int index, const Candidate& candidate, bool shipped)
{
    const std::string bin = scratch + "/bin" + std::to_string(index);
    fs::create_directories(bin);
    std::vector<std::string> tools = {"exiftool", "pngcrush", "optipng"};
    if (shipped)
        tools.push_back("zopflipng");
    for (const std::string& tool : tools)
        fs::create_symlink("/usr/bin/" + tool, bin + "/" + tool);
    if (!candidate.script.empty())
        writeScript(bin + "/pngout", "#!/bin/sh\nPATH=/usr/bin:/bin\n" + candidate.script + "\n");
    return bin;
}

struct Run {
    double seconds = 0;
    std::int64_t bytes = 0;
    std::string log;
};

Run runJob(const std::string& bin, const std::string& folder, bool full, bool strip)
{
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", bin.c_str(), 1);
    EngineState state;
    state.options[Option::Copy] = false;
    state.options[Option::Full] = full;
    state.options[Option::Strip] = strip;
    KeptSurfaces surfaces;
    Run run;
    run.seconds = secondsFor([&] {
        state.running = true;
        runBenchJob(surfaces, state, {folder});
    });
    setenv("PATH", savedPath.c_str(), 1);
    run.bytes = pngBytes(folder);
    run.log = surfaces.log();
    return run;
}

double saving(std::int64_t before, std::int64_t after)
{
    return before > 0 ? 100.0 * static_cast<double>(before - after) / static_cast<double>(before)
                      : 0.0;
}

// The saving of each part of the corpus: "icons 12.3%, screens 4.5%, photos 0.6%, ...".
std::string partSavings(const std::string& corpus, const std::string& result)
{
    std::string text;
    for (const char* part : corpusParts) {
        char line[64];
        std::snprintf(line, sizeof line, "%s%s %.1f%%", text.empty() ? "" : ", ", part,
                      saving(pngBytes(corpus + "/" + part), pngBytes(result + "/" + part)));
        text += line;
    }
    return text;
}

std::string firstLines(const std::string& log, int lines)
{
    std::size_t at = 0;
    for (int i = 0; i < lines && at != std::string::npos; ++i)
        at = log.find('\n', at + 1);
    return log.substr(0, at);
}

} // namespace

int main()
{
    for (const char* tool : {"/usr/bin/exiftool", "/usr/bin/pngcrush", "/usr/bin/optipng",
                             "/usr/bin/zopflipng", "/usr/bin/advpng", "/usr/bin/Xvfb",
                             "/usr/bin/xmessage", "/usr/bin/convert", "/usr/bin/gnuplot"})
        if (!fs::exists(tool)) {
            std::printf("%s is missing: run scripts/setup.sh --bench\n", tool);
            return 1;
        }
    const std::string scratch = makeScratch("tarnwick-png-chain");
    unsetenv("COMSPEC");
    // The engine looks in the current folder before PATH.
    if (::chdir(scratch.c_str()) != 0)
        return 1;

    const std::string corpus = scratch + "/corpus";
    writeScript(scratch + "/corpus.sh", corpusScript);
    if (shell("sh '" + scratch + "/corpus.sh' '" + corpus + "'") != 0) {
        std::printf("the corpus could not be made\n");
        return 1;
    }
    std::printf("Corpus (made from installed Debian files, nothing downloaded):\n");
    int total = 0;
    for (const char* part : corpusParts) {
        int count = 0;
        const std::int64_t bytes = pngBytes(corpus + "/" + part, &count);
        total += count;
        std::printf("  %-8s %4d PNG files, %8lld bytes\n", part, count,
                    static_cast<long long>(bytes));
    }
    const std::int64_t corpusBytes = pngBytes(corpus);
    std::printf("  all      %4d PNG files, %8lld bytes\n", total,
                static_cast<long long>(corpusBytes));
    std::printf(
        "  icons: every 40th PNG under /usr/share/icons and /usr/share/pixmaps; screens: "
        "a text window on a wallpaper under Xvfb (import) and a drawn dialog; photos: "
        "the wallpapers of lomiri-wallpapers-20.04 scaled to 480 wide; charts: three gnuplot "
        "charts, a diagram and a gradient drawn by ImageMagick\n\n");
    std::fflush(stdout);

    const std::vector<Candidate> all = candidates();
    int binIndex = 0;

    // Full's first two passes (and the strip), once.
    const std::string passTwo = scratch + "/full";
    shell("cp -R '" + corpus + "' '" + passTwo + "'");
    const Run base = runJob(binFor(scratch, binIndex++, all[0], false), passTwo, true, true);
    std::printf("Full, strip and passes 1-2: %.1f s, %lld bytes\n", base.seconds,
                static_cast<long long>(base.bytes));
    std::fflush(stdout);

    struct Measured {
        std::string name;
        double fullSaving = -1, fullSeconds = 0, fastSaving = -1, fastSeconds = 0;
        std::string fullParts = {}, fastParts = {};
    };
    std::vector<Measured> results;
    for (const Candidate& candidate : all) {
        const bool shipped = &candidate == &all.back();
        Measured measured{candidate.name};
        const std::string bin = binFor(scratch, binIndex++, candidate, shipped);
        if (candidate.forFull) {
            const std::string copy = scratch + "/full" + std::to_string(binIndex);
            shell("cp -R '" + passTwo + "' '" + copy + "'");
            const Run last = runJob(bin, copy, false, false);
            measured.fullSaving = saving(corpusBytes, last.bytes);
            measured.fullSeconds = base.seconds + last.seconds;
            measured.fullParts = partSavings(corpus, copy);
        }
        if (candidate.forFast) {
            const std::string copy = scratch + "/fast" + std::to_string(binIndex);
            shell("cp -R '" + corpus + "' '" + copy + "'");
            const Run fast = runJob(bin, copy, false, true);
            measured.fastSaving = saving(corpusBytes, fast.bytes);
            measured.fastSeconds = fast.seconds;
            measured.fastParts = partSavings(corpus, copy);
            if (shipped)
                std::printf("The shipped Fast Compression job's log begins:\n%s\n",
                            firstLines(fast.log, 4).c_str());
        }
        std::printf("%-38s", candidate.name.c_str());
        if (measured.fullSaving >= 0)
            std::printf("  Full %5.1f%% in %6.1f s", measured.fullSaving, measured.fullSeconds);
        else
            std::printf("  %-24s", "Full -");
        if (measured.fastSaving >= 0)
            std::printf("  Fast %5.1f%% in %6.1f s", measured.fastSaving, measured.fastSeconds);
        std::printf("\n");
        if (!measured.fullParts.empty())
            std::printf("    Full by part: %s\n", measured.fullParts.c_str());
        if (!measured.fastParts.empty())
            std::printf("    Fast by part: %s\n", measured.fastParts.c_str());
        std::fflush(stdout);
        results.push_back(measured);
    }

    // The last two rows: the shipped Pass 3/3 row (Full) and Fast Compression row (Fast).
    Measured chosen = results.back();
    chosen.fullSaving = results[results.size() - 2].fullSaving;
    chosen.fullSeconds = results[results.size() - 2].fullSeconds;
    std::printf("\nThe shipped stand-in (%s in Pass 3/3, zopflipng in Fast Compression):\n",
                shippedFullName().c_str());
    int failures = 0;
    failures +=
        report("Full saving, share of the PNG bytes", chosen.fullSaving / 100.0, 0.20, false);
    failures +=
        report("Fast saving, share of the PNG bytes", chosen.fastSaving / 100.0, 0.135, false);
    failures +=
        report("Fast time / Full time", chosen.fastSeconds / chosen.fullSeconds, 1.0 / 3.0, true);
    if (::chdir("/") == 0)
        removeScratch(scratch);
    return failures == 0 ? 0 : 1;
}
