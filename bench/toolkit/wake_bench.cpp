// The message loop's idle pause must end as soon as a message arrives: a send from another thread
// to a window whose thread idles in run() must come back well within the 10 ms pause.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "toolkit/toolkit.h"

namespace {

constexpr int rounds = 300;
constexpr double targetMilliseconds = 1.0;
constexpr double idlePauseMilliseconds = 10.0;

using Clock = std::chrono::steady_clock;

} // namespace

int main()
{
    liveApplication app;
    if (!initialize(app)) {
        std::printf("wake bench: could not register the window classes\n");
        return 2;
    }
    liveFrame* frame = app.createFrame("bench", 0, 0, 300, 300);
    const HWND target = frame->handle;
    std::vector<double> trips;

    std::thread sender([&] {
        for (int i = 0; i < rounds; ++i) {
            // Long enough for the loop to find its queue empty and go into its pause.
            std::this_thread::sleep_for(std::chrono::milliseconds(2 + i % 3));
            const Clock::time_point start = Clock::now();
            SendMessageA(target, WM_USER + 1, 0, 0);
            trips.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
        PostMessageA(target, WM_CLOSE, 0, 0);
    });
    app.run();
    sender.join();

    std::sort(trips.begin(), trips.end());
    const double median = trips[trips.size() / 2];
    const bool pass = median < targetMilliseconds;
    std::printf("wake bench: median send round trip to an idle loop %.3f ms, %.3f x the idle pause "
                "(target < %.1f ms)\n",
                median, median / idlePauseMilliseconds, targetMilliseconds);
    std::printf("wake bench: %s\n", pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
}
