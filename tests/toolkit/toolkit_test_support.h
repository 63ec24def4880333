// Shared pieces of the toolkit tests: a test application, class registration once per process,
// a pump for the interface thread, and a thread-safe event record for plain-function handlers.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/winlayer/display_driver.h"
#include "platform/winlayer/drops.h"
#include "platform/winlayer/message_box_records.h"
#include "platform/winlayer/state_queries.h"
#include "platform/winlayer/waits.h"
#include "toolkit/toolkit.h"

class TestApp : public liveApplication {
public:
    int inits = 0;
    int exits = 0;
    std::function<void()> exitCheck;
    void onInit() override { ++inits; }
    void onExit() override
    {
        ++exits;
        if (exitCheck)
            exitCheck();
    }
};

// Registers the window classes the first time; later calls find them registered.
inline void registerClassesOnce(liveApplication& application)
{
    static bool done = false;
    if (!done)
        done = initialize(application) == 1;
}

// Serves this thread's messages until done() or the time-out; returns done().
inline bool pumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        MSG message{};
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        waitForInput(2);
    }
    return true;
}

// What handlers saw, in order, from any thread.
class EventLog {
public:
    void add(const std::string& event)
    {
        std::lock_guard<std::mutex> guard(lock);
        events.push_back(event);
    }
    std::vector<std::string> all()
    {
        std::lock_guard<std::mutex> guard(lock);
        return events;
    }
    std::size_t size()
    {
        std::lock_guard<std::mutex> guard(lock);
        return events.size();
    }
    void clear()
    {
        std::lock_guard<std::mutex> guard(lock);
        events.clear();
    }

private:
    std::mutex lock;
    std::vector<std::string> events;
};

inline RECT rectOf(HWND window)
{
    auto state = winlayer::windowState(window);
    return state ? state->rect : RECT{-1, -1, -1, -1};
}

// A main frame on this thread for each test; queued commands and drops finish before it goes.
class FrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        registerClassesOnce(app);
        frame = app.createFrame("main", 0, 0, 300, 300);
    }
    void TearDown() override
    {
        waitForWorkers();
        delete app.mainWindow;
        app.mainWindow = nullptr;
        // Deleting the main window queues a quit: the next test in this process starts with an
        // empty queue.
        MSG message{};
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    TestApp app;
    liveFrame* frame = nullptr;
};
