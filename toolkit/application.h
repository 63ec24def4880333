// The application object: window classes, the binding table, the main window and the message loop.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "toolkit/binding.h"

class liveFrame;

class liveApplication {
public:
    // Makes this object the current application.
    liveApplication();
    // Stops being the current application; the main window is not touched.
    virtual ~liveApplication();

    liveApplication(const liveApplication&) = delete;
    liveApplication& operator=(const liveApplication&) = delete;

    virtual void onInit() {}
    virtual void onExit() {}
    // Called once the loop has ended, before the running drop is waited for: the place to tell
    // it to end.
    virtual void onLoopEnded() {}
    // Posts WM_QUIT to the calling thread's queue.
    virtual void quit();
    // Polls the queue until WM_QUIT or stop(), then calls onLoopEnded, forgets the drops not yet
    // started (they were for a window that is closing), waits for the running drop and the
    // queued commands, deletes the main window (mainWindow becomes null) and calls onExit.
    virtual void run();
    // Makes run return after the message or pause it is in.
    virtual void stop();
    virtual liveFrame* getMainWindow();
    // Creates a frame, makes it the main window (owned by the application) and returns it.
    virtual liveFrame* createFrame(const std::string& title, int x, int y, int width, int height);
    virtual void showMainWindow();

    // Splits the command line and appends the pieces to arguments.
    void setArguments(const char* commandLine);

    // The binding table. Bindings are made on the interface thread; the command and drop threads
    // read it while windows may be deleted, so every access goes through the table's own lock.
    void addBinding(const liveBinding& binding);
    // Erases the first entry equal in kind, handler and window (and sub-key when matchSubKey).
    void eraseBinding(std::int32_t kind, std::uint32_t subKey, liveAnyHandler handler,
                      liveWindow* window, bool matchSubKey);
    // Erases every entry of the window, so no message reaches it once it is gone.
    void removeBindingsOf(const liveWindow* window);
    // Index of the first entry of that kind and sub-key whose window has this handle, or -1.
    int findBinding(HWND handle, std::int32_t kind, std::uint32_t subKey);
    // Index of the first entry of that kind whose window has this handle, or -1.
    int findBindingByKind(HWND handle, std::int32_t kind);
    // Copies of the entries the two lookups find, safe to use after the lock is gone.
    std::optional<liveBinding> bindingFor(HWND handle, std::int32_t kind, std::uint32_t subKey);
    std::optional<liveBinding> bindingForKind(HWND handle, std::int32_t kind);
    std::vector<liveBinding> bindingsSnapshot();

    liveFrame* mainWindow = nullptr;
    std::vector<std::string> arguments;
    std::atomic<bool> running{false};
    void (*idleHook)(std::uint32_t argument) = nullptr;
    std::uint32_t idleArgument = 0;

private:
    int findLocked(HWND handle, std::int32_t kind, std::uint32_t subKey, bool matchSubKey) const;

    std::mutex bindingsLock;
    std::vector<liveBinding> bindings;
};

// The current application, or null.
liveApplication* currentApplication();

// The module instance handed over by the entry point; class registration and windows use it.
void setModuleInstance(HINSTANCE instance);
HINSTANCE moduleInstance();

// Registers "liveFrame" and "liveWindow" and calls onInit; 1 on success, 0 if a registration fails.
int initialize(liveApplication& application);
