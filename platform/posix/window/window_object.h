// A window as the layer keeps it, and the table that maps handles to windows.
#pragma once

#include "platform/posix/window/window_class.h"
#include "platform/win32.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace winlayer {

class Control;
class ThreadQueue;

struct Window {
    HWND handle = nullptr;
    std::shared_ptr<const WindowClass> windowClass;
    std::shared_ptr<ThreadQueue> queue; // of the thread that created the window
    DWORD threadId = 0;
    std::unique_ptr<Control> control; // state of a system control, null for other classes

    // Cleared (before the window's messages are purged) once the window is destroyed.
    std::atomic<bool> alive{true};
    std::atomic<bool> destroying{false};

    // Held around each call of a subclassed system control's procedure. The control's messages
    // run on their callers' threads, so this lock is what makes one call of the procedure (and
    // the messages it passes on) a single step that no other thread's message falls into.
    // Recursive: the procedure may send to its own control.
    std::recursive_mutex subclassLock;

    mutable std::mutex mutex; // guards the fields below
    WNDPROC proc = nullptr;   // a system control's: its subclass procedure, null if none
    std::string text;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{}; // outer: screen for top-level windows, parent's client for children
    HWND parent = nullptr;
    std::vector<HWND> children;
    HMENU menu = nullptr; // menu bar of a top-level window
    UINT_PTR id = 0;      // control identifier of a child window
    HINSTANCE instance = nullptr;
    HFONT font = nullptr;
    LONG_PTR userData = 0;
    bool needsSize = true; // the first showing sends WM_SIZE and WM_MOVE
    bool needsPaint = false;
};

// How far a walk up the parents goes: windows nest a few levels, and a cycle must not loop.
constexpr int kMaxAncestors = 64;

// Adds the window to the table and stores its new handle in it.
HWND addWindow(const std::shared_ptr<Window>& window);
// Removes the window from the table: its handle is stale from now on.
void removeWindow(HWND handle);
// The live window behind a handle, or null (ERROR_INVALID_WINDOW_HANDLE set).
std::shared_ptr<Window> findWindow(HWND handle);
std::vector<std::shared_ptr<Window>> allWindows();

// The window and all its descendants.
std::vector<HWND> windowAndDescendants(HWND handle);

} // namespace winlayer
