// Tools that meet through a shell script and the count of online processors: Linux only.
#include "engine/worker_pool.h"

#include <unistd.h>

#include "engine_fixture.h"
#include "util/live_file.h"

using WorkerPoolTest = EngineTest;

TEST_F(WorkerPoolTest, EveryWorkersToolRunsAtTheSameTime)
{
    state.options[Option::Full] = false;
    state.options[Option::Strip] = false;
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    const std::uint32_t workers =
        workerCount(online > 0 ? static_cast<std::uint32_t>(online) : 0, 1000);
    std::vector<std::string> files;
    for (std::uint32_t i = 0; i < workers; ++i) {
        files.push_back(pics() + "/f" + std::to_string(i) + ".png");
        writeFileOfSize(files.back(), 3000);
    }
    const std::string marks = temp.file("started");
    const std::string met = temp.file("met.log");
    tools.install("pngout", "mkdir -p '" + marks + "'; : > '" + marks + "/'$$; n=0\n" +
                                "while [ $(ls '" + marks + "' | wc -l) -lt " +
                                std::to_string(workers) +
                                " ] && [ $n -lt 200 ]; do sleep 0.05; n=$((n+1)); done\n"
                                "[ $n -lt 200 ] && echo met >> '" +
                                met + "' || echo missed >> '" + met + "'\n" + shrinkAction(100));

    compressInParallel(context(surfaces), files);

    EXPECT_EQ(readFile(met),
              [&] {
                  std::string all;
                  for (std::uint32_t i = 0; i < workers; ++i)
                      all += "met\n";
                  return all;
              }())
        << workers << " workers";
    for (const std::string& file : files)
        EXPECT_EQ(fileSize(file), 2900);
}
