// The whole job on a fresh copy of the bundled sample folder, against a plain shell loop that
// runs the same tool commands on another fresh copy: at most 5% slower.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/engine/bench_support.h"
#include "engine/compression_job.h"
#include "engine/engine_state.h"

namespace {

const char* shellLoop =
    "cd \"$1\" || exit 1\n"
    "find . -type f -name '*.png' | while IFS= read -r f; do\n"
    "  exiftool -overwrite_original -all= \"$f\" >/dev/null 2>&1\n"
    "  t=\"${f%????}_pngcrush.png\"\n"
    "  pngcrush -brute -reduce \"$f\" \"$t\" >/dev/null 2>&1\n"
    "  if [ -f \"$t\" ]; then\n"
    "    if [ \"$(stat -c %s \"$t\")\" -lt \"$(stat -c %s \"$f\")\" ]; then mv \"$t\" \"$f\";"
    " else rm \"$t\"; fi\n"
    "  fi\n"
    "  optipng -o7 \"$f\" >/dev/null 2>&1\n"
    // Where pngout is missing the job runs zopflipng in its place, and so does the loop.
    "  if command -v pngout >/dev/null; then pngout \"$f\" >/dev/null 2>&1\n"
    "  elif command -v zopflipng >/dev/null; then\n"
    "    z=\"${f%????}_zopfli.png\"\n"
    "    zopflipng -y --keepchunks=iCCP,sRGB,gAMA,cHRM,cICP,mDCv,cLLi,eXIf,pHYs,tEXt,zTXt,iTXt,tIME"
    " -m \"$f\" \"$z\" >/dev/null 2>&1\n"
    "    if [ -f \"$z\" ] && [ \"$(stat -c %s \"$z\")\" -lt \"$(stat -c %s \"$f\")\" ]; then"
    " mv \"$z\" \"$f\"; else rm -f \"$z\"; fi\n"
    "  fi\n"
    "done\n"
    "find . -type f \\( -name '*.jpg' -o -name '*.gif' \\) | while IFS= read -r f; do\n"
    "  exiftool -overwrite_original -all= \"$f\" >/dev/null 2>&1\n"
    "done\n";

} // namespace

int main()
{
    const std::string scratch = makeScratch("tarnwick-sample");
    const std::string script = scratch + "/loop.sh";
    std::FILE* out = std::fopen(script.c_str(), "w");
    if (!out)
        return 1;
    std::fputs(shellLoop, out);
    std::fclose(out);
    unsetenv("COMSPEC");
    EngineState state;
    state.options[Option::Copy] = false;

    std::vector<double> job, loop;
    for (int round = 0; round < 3; ++round) {
        const std::string jobCopy = scratch + "/job" + std::to_string(round);
        const std::string loopCopy = scratch + "/loop" + std::to_string(round);
        shell("cp -R '" TARNWICK_SAMPLE_FOLDER "' '" + jobCopy + "'");
        shell("cp -R '" TARNWICK_SAMPLE_FOLDER "' '" + loopCopy + "'");
        loop.push_back(secondsFor([&] { shell("sh '" + script + "' '" + loopCopy + "'"); }));
        KeptSurfaces surfaces;
        job.push_back(secondsFor([&] {
            state.running = true;
            runBenchJob(surfaces, state, {jobCopy});
        }));
        if (round == 0)
            std::fputs(surfaces.log().c_str(), stdout);
    }
    std::printf("job %.3f s, shell loop %.3f s (medians of 3)\n", median(job), median(loop));
    removeScratch(scratch);
    return report("whole job on the sample vs shell loop", median(job) / median(loop), 1.05, true);
}
