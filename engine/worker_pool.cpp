#include "engine/worker_pool.h"

#include <memory>

#include "engine/compress_file.h"
#include "engine/engine_state.h"
#include "engine/size_report.h"
#include "platform/win32/base.h"
#include "platform/win32/process.h"

namespace {

struct WorkerArguments {
    ReportSurfaces* mainWindow;
    const std::vector<std::string>* files;
};

void workerEntry(void* first, void* second)
{
    compressionWorker(*static_cast<ReportSurfaces*>(first),
                      *static_cast<const std::vector<std::string>*>(second));
}

std::uint32_t processorCount()
{
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors;
}

} // namespace

std::uint32_t workerCount(std::uint32_t processors, std::size_t files)
{
    std::uint32_t count = processors * 2;
    if (count == 0)
        count = 4;
    if (files < count)
        count = static_cast<std::uint32_t>(files);
    return count;
}

void compressionWorker(ReportSurfaces& mainWindow, const std::vector<std::string>& files)
{
    const std::size_t count = files.size();
    // The pool keeps the quiet, high-priority mode it started with even if HogSystem is
    // switched off meanwhile, so workers never write interleaved per-file lines.
    const StepMode quiet{false, true};
    while (compressionRunning) {
        std::uint32_t index;
        {
            MutexLock lock(counterMutex);
            index = nextFileIndex;
            if (index >= count)
                return;
            nextFileIndex = index + 1;
        }
        updateStatus(mainWindow, static_cast<int>(index), static_cast<std::uint32_t>(count));
        compressFile(mainWindow, files[index], "", quiet);
        updateStatus(mainWindow, -1, 0);
    }
}

void compressInParallel(ReportSurfaces& mainWindow, const std::vector<std::string>& files)
{
    {
        MutexLock lock(logMutex);
        mainWindow.append("Compressing ");
        mainWindow.append(std::to_string(files.size()));
        mainWindow.append(" files...");
    }
    {
        MutexLock lock(counterMutex);
        nextFileIndex = 0;
    }
    const std::uint32_t count = workerCount(processorCount(), files.size());
    std::vector<std::unique_ptr<Thread>> workers;
    workers.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        workers.push_back(std::make_unique<Thread>());
        workers.back()->start(&workerEntry, &mainWindow,
                              const_cast<std::vector<std::string>*>(&files), true);
    }
    for (auto& worker : workers)
        worker->join();
    {
        MutexLock lock(logMutex);
        mainWindow.append(" done.");
        mainWindow.append("\r\n");
    }
}
