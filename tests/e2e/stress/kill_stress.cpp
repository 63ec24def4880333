// Kills the program with SIGKILL at random moments while it compresses one folder with the real
// tools, again and again on the same folder, and checks after every kill that no file was lost,
// cut short or changed in its pixels, that no tool outlived the program, and that the next run
// removed the work folders the killed one left. Every third run backs up, and --restore on its
// backup after the kill must bring back every file's bytes from before that run. A last run goes
// to the end.
//
//   tarnwick_kill_stress PROGRAM [TRIALS]
//
// TRIALS (default 100, or TARNWICK_STRESS_TRIALS) kills; TARNWICK_STRESS_SEED repeats a run's
// kill moments; TARNWICK_STRESS_RUN_SECONDS skips measuring how long a whole run takes;
// TARNWICK_STRESS_REFRESH=N puts the originals of a few files back every N trials, as new
// photos would come in, so that results keep replacing files while kills land. Exits 0
// when all is well, 1 on any failure (the folder is kept for a look), 77 when a tool is missing.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "image/image_check.h"
#include "tests/e2e/stress/stress_corpus.h"
#include "tests/e2e/stress/stress_processes.h"

namespace fs = std::filesystem;

namespace {

struct Counts {
    int trials = 0;
    int killed = 0;
    int filesChecked = 0;
    int missing = 0;
    int truncated = 0;
    int pixelMismatches = 0;
    int linksBroken = 0;
    int strayFiles = 0;
    int leftoverFolders = 0;
    int folderOfLiveProcess = 0;
    int survivingTools = 0;
    int changedByTrials = 0;
    int restores = 0;
    int notRestored = 0;
};

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Whether the file ends as a whole PNG or JPEG file does.
bool endsWhole(const std::string& bytes, const std::string& name)
{
    static const std::string pngEnd("\0\0\0\0IEND\xAE\x42\x60\x82", 12);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0)
        return bytes.size() > 12 && bytes.compare(bytes.size() - 12, 12, pngEnd) == 0;
    return bytes.size() > 2 && bytes.compare(bytes.size() - 2, 2, "\xFF\xD9") == 0;
}

pid_t ownerOfWorkFolder(const std::string& name)
{
    const std::string prefix = ".tarnwick-";
    if (name.rfind(prefix, 0) != 0)
        return -1;
    return static_cast<pid_t>(std::atol(name.c_str() + prefix.size()));
}

bool alive(pid_t pid)
{
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

// Every work folder under folder, and every file that is not one of the images.
void survey(const std::string& folder, const std::set<std::string>& images,
            std::vector<std::string>& workFolders, std::vector<std::string>& strays)
{
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::end(it); ++it) {
        const std::string name = it->path().filename().string();
        const std::string relative = fs::relative(it->path(), folder).string();
        if (name.rfind(".tarnwick-", 0) == 0 && it->is_directory()) {
            workFolders.push_back(it->path().string());
            it.disable_recursion_pending();
        } else if (!it->is_directory() && !images.count(relative)) {
            strays.push_back(relative);
        }
    }
}

void writeConfig(const std::string& folder, bool hog, bool backup = false)
{
    std::ofstream(folder + "/Tarnwick.config")
        << "{\"Copy\":" << (backup ? "true" : "false")
        << ",\"Full\":true,\"Strip\":true,\"HogSystem\":" << (hog ? "true" : "false") << "}\n";
}

class Stress {
public:
    Stress(std::string scratch, std::string program)
        : scratch(std::move(scratch)), program(std::move(program))
    {}

    bool prepare();
    double measureRun();
    void trial(int index, double killAfter, bool hog, bool restore);
    bool finalRun();
    void refresh(int index);
    const Counts& counts() const { return total; }

private:
    bool checkFiles(const std::string& when);
    void restoreBackup(const std::map<std::string, std::string>& before, const std::string& when);
    void checkLeftovers(const std::vector<std::string>& before, bool cleanupRan,
                        const std::string& when);

    std::string scratch;
    std::string program;
    std::string appFolder;
    std::string images;
    std::string originals;
    std::vector<std::string> names;
    std::set<std::string> nameSet;
    std::map<std::string, std::string> lastBytes;
    Counts total;
};

bool Stress::prepare()
{
    appFolder = scratch + "/app";
    images = scratch + "/my images";
    originals = scratch + "/originals";
    fs::create_directories(appFolder);
    fs::create_directories(images);
    fs::copy_file(program, appFolder + "/tarnwick");
    program = appFolder + "/tarnwick";
    names = makeCorpus(images, scratch);
    if (names.empty())
        return false;
    nameSet.insert(names.begin(), names.end());
    std::uintmax_t bytes = 0;
    for (const std::string& name : names) {
        const std::string original = originals + "/" + name;
        fs::create_directories(fs::path(original).parent_path());
        fs::copy_file(images + "/" + name, original);
        bytes += fs::file_size(original);
        lastBytes[name] = readAll(original);
        const CheckResult self = sameImage(original, original);
        if (!self.same) {
            std::printf("the decoders refuse %s: %s\n", name.c_str(), self.reason.c_str());
            return false;
        }
    }
    std::printf("corpus: %zu names (one hard link), %.1f MB\n", names.size(), bytes / 1e6);
    return true;
}

// Seconds a whole run takes on a fresh copy of the images, one file at a time.
double Stress::measureRun()
{
    const std::string copy = scratch + "/measure";
    fs::copy(originals, copy, fs::copy_options::recursive);
    writeConfig(appFolder, false);
    const auto begin = Clock::now();
    int status = 0;
    const pid_t pid = start(program, copy, scratch + "/measure.log");
    waitOrKill(pid, std::chrono::hours(1), status);
    const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    survivingChildren();
    fs::remove_all(copy);
    return seconds;
}

bool Stress::checkFiles(const std::string& when)
{
    bool good = true;
    for (const std::string& name : names) {
        const std::string path = images + "/" + name;
        ++total.filesChecked;
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            ++total.missing;
            std::printf("  %s: %s is missing\n", when.c_str(), name.c_str());
            good = false;
            continue;
        }
        const std::string bytes = readAll(path);
        if (!endsWhole(bytes, name)) {
            ++total.truncated;
            std::printf("  %s: %s is cut short (%zu bytes)\n", when.c_str(), name.c_str(),
                        bytes.size());
            good = false;
        }
        const CheckResult same = sameImage(originals + "/" + name, path);
        if (!same.same) {
            ++total.pixelMismatches;
            std::printf("  %s: %s is not the same image: %s\n", when.c_str(), name.c_str(),
                        same.reason.c_str());
            good = false;
        }
        if (name.find("linked") != std::string::npos && info.st_nlink != 2) {
            ++total.linksBroken;
            std::printf("  %s: %s has %lu names instead of 2\n", when.c_str(), name.c_str(),
                        static_cast<unsigned long>(info.st_nlink));
            good = false;
        }
        if (bytes != lastBytes[name]) {
            ++total.changedByTrials;
            lastBytes[name] = bytes;
        }
    }
    return good;
}

// Work folders of dead runs that were there before a run that got as far as compressing must
// be gone after it.
void Stress::checkLeftovers(const std::vector<std::string>& before, bool cleanupRan,
                            const std::string& when)
{
    for (const std::string& folder : before) {
        if (!fs::exists(folder))
            continue;
        const pid_t owner = ownerOfWorkFolder(fs::path(folder).filename().string());
        if (alive(owner)) {
            // Its number went to another process since: rightly kept until that one ends.
            ++total.folderOfLiveProcess;
            continue;
        }
        if (!cleanupRan)
            continue;
        ++total.leftoverFolders;
        std::printf("  %s: work folder of a dead run left: %s\n", when.c_str(), folder.c_str());
    }
}

// After a killed run with a backup: --restore on the backup it made brings every file back to
// what it was before the run (a run killed before its backup was whole touched no file).
void Stress::restoreBackup(const std::map<std::string, std::string>& before,
                           const std::string& when)
{
    std::vector<std::string> backups;
    for (const auto& entry : fs::directory_iterator(scratch))
        if (entry.path().filename().string().rfind("my imagesBackup_", 0) == 0)
            backups.push_back(entry.path().string());
    ++total.restores;
    int status = 0;
    if (!backups.empty()) {
        waitOrKill(start(program, "--restore", backups.front(), scratch + "/restore.log"),
                   std::chrono::minutes(10), status);
        for (const std::string& backup : backups)
            fs::remove_all(backup);
    }
    for (const std::string& name : names) {
        const std::string bytes = readAll(images + "/" + name);
        if (bytes != before.at(name)) {
            ++total.notRestored;
            std::printf("  %s: %s is not the original after --restore (exit status %d)\n",
                        when.c_str(), name.c_str(), WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        }
        lastBytes[name] = bytes;
    }
}

void Stress::trial(int index, double killAfter, bool hog, bool restore)
{
    const std::string when = "trial " + std::to_string(index + 1);
    std::vector<std::string> workBefore, strays;
    survey(images, nameSet, workBefore, strays);
    const std::map<std::string, std::string> before = lastBytes;
    writeConfig(appFolder, hog, restore);
    const std::string log = scratch + "/trial.log";
    const auto begin = Clock::now();
    const pid_t pid = start(program, images, log);
    int status = 0;
    const bool killed = waitOrKill(
        pid, std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(killAfter)),
        status);
    const double ran = std::chrono::duration<double>(Clock::now() - begin).count();
    ++total.trials;
    total.killed += killed ? 1 : 0;
    for (const std::string& tool : survivingChildren()) {
        ++total.survivingTools;
        std::printf("  %s: %s outlived the program\n", when.c_str(), tool.c_str());
    }
    const std::string text = readAll(log);
    // The leftovers are removed before the first file is compressed.
    const bool cleanupRan = !killed || text.find("Compressing ") != std::string::npos;
    const bool good = checkFiles(when);
    checkLeftovers(workBefore, cleanupRan, when);
    std::vector<std::string> workAfter;
    strays.clear();
    survey(images, nameSet, workAfter, strays);
    for (const std::string& stray : strays) {
        ++total.strayFiles;
        std::printf("  %s: stray file %s\n", when.c_str(), stray.c_str());
    }
    std::printf("%s: %s after %.2f s, HogSystem %s, %zu work folders left%s\n", when.c_str(),
                killed ? "killed" : "finished", ran, hog ? "on" : "off", workAfter.size(),
                good ? "" : ", FILES DAMAGED");
    if (!killed && !(WIFEXITED(status) && WEXITSTATUS(status) == 0))
        std::printf("  %s: the run ended with status %d\n", when.c_str(), status);
    if (restore)
        restoreBackup(before, when);
    std::fflush(stdout);
}

// The original content of every fourth file (a different quarter each time) back in place;
// written into the existing file, so the hard link stays one file.
void Stress::refresh(int index)
{
    for (std::size_t i = static_cast<std::size_t>(index) % 4; i < names.size(); i += 4) {
        fs::copy_file(originals + "/" + names[i], images + "/" + names[i],
                      fs::copy_options::overwrite_existing);
        lastBytes[names[i]] = readAll(images + "/" + names[i]);
    }
}

bool Stress::finalRun()
{
    writeConfig(appFolder, false);
    const pid_t pid = start(program, images, scratch + "/final.log");
    int status = 0;
    waitOrKill(pid, std::chrono::hours(1), status);
    for (const std::string& tool : survivingChildren()) {
        ++total.survivingTools;
        std::printf("  final run: %s outlived the program\n", tool.c_str());
    }
    const bool exited = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!exited)
        std::printf("  final run: ended with status %d\n", status);
    const bool good = checkFiles("final run");
    // After a whole run any work folder is one too many, whichever run made it.
    std::vector<std::string> workAfter, strays;
    survey(images, nameSet, workAfter, strays);
    for (const std::string& folder : workAfter) {
        ++total.leftoverFolders;
        std::printf("  final run: work folder left: %s\n", folder.c_str());
    }
    for (const std::string& stray : strays) {
        ++total.strayFiles;
        std::printf("  final run: stray file %s\n", stray.c_str());
    }
    return exited && good;
}

int trialsWanted(int argc, char** argv)
{
    const char* text = argc > 2 ? argv[2] : std::getenv("TARNWICK_STRESS_TRIALS");
    const int trials = text ? std::atoi(text) : 0;
    return trials > 0 ? trials : 100;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM [TRIALS]\n", argv[0]);
        return 2;
    }
    for (const char* tool : {"convert", "exiftool", "pngcrush", "optipng"}) {
        if (!onPath(tool)) {
            std::printf("%s is not installed: skipped\n", tool);
            return 77;
        }
    }
    // Whatever the program's tools leave behind when it dies comes to us, to be seen.
    if (::prctl(PR_SET_CHILD_SUBREAPER, 1) != 0) {
        std::perror("PR_SET_CHILD_SUBREAPER");
        return 1;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarnwick-kill-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string scratch = pattern;
    const int trials = trialsWanted(argc, argv);
    const char* seedText = std::getenv("TARNWICK_STRESS_SEED");
    const unsigned seed = seedText ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10))
                                   : std::random_device{}();
    std::mt19937 random(seed);

    Stress stress(scratch, fs::absolute(argv[1]).string());
    const auto begin = Clock::now();
    if (!stress.prepare()) {
        std::printf("could not make the images; kept in %s\n", scratch.c_str());
        return 1;
    }
    const char* runText = std::getenv("TARNWICK_STRESS_RUN_SECONDS");
    const double runSeconds = runText ? std::atof(runText) : stress.measureRun();
    std::printf("a whole run takes %.2f s; %d trials, seed %u\n", runSeconds, trials, seed);
    std::fflush(stdout);

    std::uniform_real_distribution<double> moment(0.0, runSeconds);
    const char* refreshText = std::getenv("TARNWICK_STRESS_REFRESH");
    const int refreshEvery = refreshText ? std::atoi(refreshText) : 0;
    for (int index = 0; index < trials; ++index) {
        if (refreshEvery > 0 && index > 0 && index % refreshEvery == 0)
            stress.refresh(index / refreshEvery);
        // Every third trial backs up and is undone by --restore after the kill.
        stress.trial(index, moment(random), index % 2 == 1, index % 3 == 2);
    }
    const bool finalGood = stress.finalRun();

    const Counts& c = stress.counts();
    std::printf("trials %d (killed %d), files checked %d, missing %d, truncated %d, pixel "
                "mismatches %d, links broken %d, stray files %d, leftover work folders %d, "
                "surviving tools %d, restores %d, files not restored %d\n",
                c.trials, c.killed, c.filesChecked, c.missing, c.truncated, c.pixelMismatches,
                c.linksBroken, c.strayFiles, c.leftoverFolders, c.survivingTools, c.restores,
                c.notRestored);
    std::printf("file versions replaced during the trials %d; work folders kept for a live "
                "process of the same number %d; %.0f s in all\n",
                c.changedByTrials, c.folderOfLiveProcess,
                std::chrono::duration<double>(Clock::now() - begin).count());
    const bool failed = !finalGood || c.missing || c.truncated || c.pixelMismatches ||
                        c.linksBroken || c.strayFiles || c.leftoverFolders || c.survivingTools ||
                        c.notRestored;
    if (failed) {
        std::printf("FAIL: the folder is kept in %s\n", scratch.c_str());
        return 1;
    }
    std::printf("PASS\n");
    fs::remove_all(scratch);
    return 0;
}
