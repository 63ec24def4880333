#include "gui/window_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "app/window/my_app.h"
#include "gui/gui_support.h"

namespace guitest {
namespace {

struct Shared {
    std::unique_ptr<XvfbServer> server;
    std::unique_ptr<gtkdisplay::GtkDisplay> display;
    bool classesRegistered = false;
    int sessions = 0;
    std::mutex lock;
    std::deque<std::packaged_task<void()>> uiTasks;
};

Shared& shared()
{
    static Shared& instance = *new Shared;
    return instance;
}

void runUiTasks(std::uint32_t)
{
    std::deque<std::packaged_task<void()>> tasks;
    {
        std::lock_guard guard(shared().lock);
        tasks.swap(shared().uiTasks);
    }
    for (auto& task : tasks)
        task();
}

void stopServer()
{
    shared().server.reset();
}

} // namespace

gtkdisplay::GtkDisplay* WindowSession::display()
{
    Shared& s = shared();
    if (!s.server) {
        s.server = std::make_unique<XvfbServer>();
        // The display itself lives to the end (GTK cannot be set up twice); the server must
        // not outlive the program.
        std::atexit(stopServer);
        if (!s.server->running())
            return nullptr;
        setenv("DISPLAY", s.server->display().c_str(), 1);
        s.display = gtkdisplay::GtkDisplay::open();
        if (s.display)
            winlayer::setDisplayDriver(s.display.get());
    }
    return s.display.get();
}

std::string WindowSession::displayName()
{
    return shared().server ? shared().server->display() : std::string();
}

int WindowSession::sessionCount()
{
    return shared().sessions;
}

void WindowSession::run(const std::function<void(WindowSession&)>& script)
{
    gtkdisplay::GtkDisplay* gtk = display();
    ASSERT_NE(gtk, nullptr) << "no X server or no GTK";
    Shared& s = shared();
    ++s.sessions;

    MyApp app;
    if (!s.classesRegistered) {
        setModuleInstance(GetModuleHandleA(nullptr));
        ASSERT_EQ(initialize(app), 1);
        s.classesRegistered = true;
    } else {
        app.onInit(); // the classes exist already: only the window is new
    }
    mainFrame = static_cast<MyFrame*>(app.getMainWindow());
    ASSERT_NE(mainFrame, nullptr);
    app.idleHook = runUiTasks;
    app.showMainWindow();

    HWND handle = mainFrame->handle;
    std::thread user([&, handle] {
        script(*this);
        PostMessageA(handle, WM_CLOSE, 0, 0);
    });
    app.run();
    user.join();
    runUiTasks(0); // nothing may wait on a task that never runs
    mainFrame = nullptr;
}

void WindowSession::onUi(const std::function<void()>& fn)
{
    std::packaged_task<void()> task(fn);
    std::future<void> done = task.get_future();
    {
        std::lock_guard guard(shared().lock);
        shared().uiTasks.push_back(std::move(task));
    }
    done.wait();
}

unsigned long WindowSession::xWindow()
{
    return xdo().waitForWindow();
}

void WindowSession::keys(const std::vector<std::string>& sequence)
{
    xdo().typeKeys(xWindow(), sequence);
}

XDoTool WindowSession::xdo()
{
    return XDoTool(displayName());
}

void WindowSession::close()
{
    if (mainFrame)
        PostMessageA(mainFrame->handle, WM_CLOSE, 0, 0);
}

} // namespace guitest
