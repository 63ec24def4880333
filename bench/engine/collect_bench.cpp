// Collecting a folder's files with every kind enabled, against `find TREE -type f` on the same
// tree of 100,000 files in 4 levels. Also checks that the one-pass list equals nine separate
// suffix walks, in order.
#include <cstdio>
#include <filesystem>
#include <fcntl.h>
#include <unistd.h>

#include "bench/engine/bench_support.h"
#include "engine/engine_state.h"
#include "engine/file_collection.h"
#include "util/file_system.h"

namespace {

const char* const kinds[] = {".png", ".tif", ".tiff", ".jpeg", ".jpg", ".pdf",
                             ".gif", ".exe", ".dll",  ".txt",  ".PNG"};

// 10 x 10 x 10 folders, 100 files in each of the deepest ones.
void makeTree(const std::string& root)
{
    int n = 0;
    for (int a = 0; a < 10; ++a)
        for (int b = 0; b < 10; ++b)
            for (int c = 0; c < 10; ++c) {
                const std::string folder = root + "/a" + std::to_string(a) + "/b" +
                                           std::to_string(b) + "/c" + std::to_string(c);
                std::filesystem::create_directories(folder);
                for (int f = 0; f < 100; ++f, ++n) {
                    const std::string file =
                        folder + "/file" + std::to_string(f) + kinds[n % std::size(kinds)];
                    const int fd = open(file.c_str(), O_CREAT | O_WRONLY, 0644);
                    if (fd >= 0)
                        close(fd);
                }
            }
}

} // namespace

int main()
{
    const std::string root = makeScratch("tarnwick-collect");
    makeTree(root);
    OptionValues options;
    for (Option kind : {Option::Pngs, Option::Tifs, Option::Jpgs, Option::Gifs, Option::Pdfs,
                        Option::Apps, Option::Strip})
        options[kind] = true;

    std::vector<std::string> files;
    std::vector<double> ours, baseline;
    shell("find '" + root + "' -type f > /dev/null"); // warm the caches
    for (int round = 0; round < 5; ++round) {
        baseline.push_back(secondsFor([&] { shell("find '" + root + "' -type f > /dev/null"); }));
        ours.push_back(secondsFor([&] { files = collectFiles(root, options).paths(); }));
    }

    std::vector<std::string> separate;
    for (const std::string& suffix : enabledSuffixes(options))
        listFilesWithSuffix(root, separate, suffix, true);
    const bool same = files == separate;
    std::printf("collected %zu files; equal to nine separate walks: %s\n", files.size(),
                same ? "yes" : "NO");
    std::printf("collect %.4f s, find %.4f s (medians of 5)\n", median(ours), median(baseline));
    removeScratch(root);
    const int result =
        report("collect 100,000 files vs find", median(ours) / median(baseline), 1.5, true);
    return same ? result : 1;
}
