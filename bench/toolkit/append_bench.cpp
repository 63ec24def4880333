// Appending to the log pane must not slow down as the log grows: 200,000 one-line appends from a
// worker thread while the interface thread runs its loop. The first 20,000 appends are the
// baseline for the last 20,000.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "toolkit/toolkit.h"

namespace {

constexpr int totalAppends = 200000;
constexpr int windowAppends = 20000;
constexpr double maxSlowdown = 1.5;
constexpr double minRate = 100000.0;

using Clock = std::chrono::steady_clock;

class BenchApp : public liveApplication {
public:
    liveMultilineTextCtrl* log = nullptr;
    void onInit() override
    {
        liveFrame* frame = createFrame("bench", 0, 0, 600, 600);
        frame->createStatusBar(2);
        log = new liveMultilineTextCtrl(frame, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                        CW_USEDEFAULT, "", logPaneStyle);
        frame->addLayoutItem(log, layoutFill);
    }
};

} // namespace

int main()
{
    BenchApp app;
    if (!initialize(app) || !app.log) {
        std::printf("append bench: could not build the window\n");
        return 2;
    }
    const std::string line = "     Pass 2/3 (OptiPNG): 1234.567 KB  93.1%\r\n";
    const HWND frame = app.getMainWindow()->handle;
    double firstSeconds = 0;
    double lastSeconds = 0;
    double totalSeconds = 0;
    bool complete = false;

    std::thread writer([&] {
        const Clock::time_point start = Clock::now();
        Clock::time_point windowStart = start;
        for (int i = 0; i < totalAppends; ++i) {
            if (i == totalAppends - windowAppends)
                windowStart = Clock::now();
            app.log->append(line);
            if (i == windowAppends - 1)
                firstSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        }
        const Clock::time_point end = Clock::now();
        lastSeconds = std::chrono::duration<double>(end - windowStart).count();
        totalSeconds = std::chrono::duration<double>(end - start).count();
        complete = app.log->getText().size() == line.size() * totalAppends;
        PostMessageA(frame, WM_CLOSE, 0, 0);
    });
    app.run();
    writer.join();

    const double ratio = lastSeconds / firstSeconds;
    const double rate = totalAppends / totalSeconds;
    const bool pass = complete && ratio <= maxSlowdown && rate >= minRate;
    std::printf("append bench: last %d appends cost %.3f x the first %d (target <= %.1f)\n",
                windowAppends, ratio, windowAppends, maxSlowdown);
    std::printf("append bench: %.0f appends per second over %d (target >= %.0f)\n", rate,
                totalAppends, minRate);
    if (!complete)
        std::printf("append bench: the log does not hold every appended line\n");
    std::printf("append bench: %s\n", pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
}
