#include "toolkit/application.h"

#include <algorithm>
#include <atomic>

#include "toolkit/frame.h"
#include "toolkit/window.h"
#include "toolkit/window_proc.h"
#include "toolkit/workers.h"
#include "util/text_split.h"

namespace {
std::atomic<liveApplication*> current{nullptr};
std::atomic<HINSTANCE> instance{nullptr};

constexpr UINT classStyle = CS_GLOBALCLASS | CS_OWNDC | CS_DBLCLKS;
constexpr DWORD idleMilliseconds = 10;

// A class background given as a system colour index plus one stands for that colour's brush.
HBRUSH systemColourBrush(int colourIndex)
{
    return reinterpret_cast<HBRUSH>(static_cast<UINT_PTR>(colourIndex + 1));
}

bool registerClass(const char* name, HBRUSH background)
{
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(WNDCLASSEXA);
    windowClass.style = classStyle;
    windowClass.lpfnWndProc = liveWindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = moduleInstance();
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = background;
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = name;
    windowClass.hIconSm = LoadIconA(nullptr, IDI_APPLICATION);
    return RegisterClassExA(&windowClass) != 0;
}
} // namespace

liveApplication* currentApplication()
{
    return current.load();
}

void setModuleInstance(HINSTANCE handle)
{
    instance.store(handle);
}

HINSTANCE moduleInstance()
{
    return instance.load();
}

liveApplication::liveApplication()
{
    current.store(this);
}

liveApplication::~liveApplication()
{
    // A window procedure running after this object is gone must not reach it.
    liveApplication* self = this;
    current.compare_exchange_strong(self, nullptr);
}

void liveApplication::quit()
{
    PostQuitMessage(0);
}

void liveApplication::stop()
{
    running = false;
}

liveFrame* liveApplication::getMainWindow()
{
    return mainWindow;
}

liveFrame* liveApplication::createFrame(const std::string& title, int x, int y, int width,
                                        int height)
{
    mainWindow = new liveFrame(title, x, y, width, height);
    return mainWindow;
}

void liveApplication::showMainWindow()
{
    if (mainWindow)
        mainWindow->show();
}

void liveApplication::run()
{
    running = true;
    MSG message{};
    for (;;) {
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                break;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        } else {
            if (idleHook)
                idleHook(idleArgument);
            // Sleeps at most the idle pause, but wakes as soon as anything arrives for this thread.
            waitForInput(idleMilliseconds);
        }
        if (!running)
            break;
    }
    onLoopEnded();
    // A drop not yet started was for a window that is closing: it must not start now and run its
    // tools in full with nobody to see them.
    dropQueue().discardPending();
    // The running drop and the queued commands may write to the main window: let them finish
    // first, serving their sends, so none of them outlives the objects it writes to.
    waitForWorkers();
    // Cleared first: the pointer must not outlive the window, and the window's own WM_DESTROY
    // during the deletion must not post a quit that would end the next loop at once.
    liveFrame* main = mainWindow;
    mainWindow = nullptr;
    delete main;
    onExit();
}

void liveApplication::setArguments(const char* commandLine)
{
    if (commandLine)
        splitCommandLine(commandLine, arguments);
}

void liveApplication::addBinding(const liveBinding& binding)
{
    std::lock_guard<std::mutex> guard(bindingsLock);
    bindings.push_back(binding);
}

void liveApplication::eraseBinding(std::int32_t kind, std::uint32_t subKey, liveAnyHandler handler,
                                   liveWindow* window, bool matchSubKey)
{
    std::lock_guard<std::mutex> guard(bindingsLock);
    auto found = std::find_if(bindings.begin(), bindings.end(), [&](const liveBinding& entry) {
        return entry.handler == handler && entry.window == window && entry.kind == kind &&
               (!matchSubKey || entry.subKey == subKey);
    });
    if (found != bindings.end())
        bindings.erase(found);
}

void liveApplication::removeBindingsOf(const liveWindow* window)
{
    std::lock_guard<std::mutex> guard(bindingsLock);
    bindings.erase(
        std::remove_if(bindings.begin(), bindings.end(),
                       [window](const liveBinding& entry) { return entry.window == window; }),
        bindings.end());
}

int liveApplication::findLocked(HWND handle, std::int32_t kind, std::uint32_t subKey,
                                bool matchSubKey) const
{
    for (std::size_t i = 0; i < bindings.size(); ++i) {
        const liveBinding& entry = bindings[i];
        if (entry.kind == kind && (!matchSubKey || entry.subKey == subKey) && entry.window &&
            entry.window->handle == handle)
            return static_cast<int>(i);
    }
    return -1;
}

int liveApplication::findBinding(HWND handle, std::int32_t kind, std::uint32_t subKey)
{
    std::lock_guard<std::mutex> guard(bindingsLock);
    return findLocked(handle, kind, subKey, true);
}

int liveApplication::findBindingByKind(HWND handle, std::int32_t kind)
{
    std::lock_guard<std::mutex> guard(bindingsLock);
    return findLocked(handle, kind, 0, false);
}

std::optional<liveBinding> liveApplication::bindingFor(HWND handle, std::int32_t kind,
                                                       std::uint32_t subKey)
{
    std::lock_guard<std::mutex> guard(bindingsLock);
    const int index = findLocked(handle, kind, subKey, true);
    if (index < 0)
        return std::nullopt;
    return bindings[static_cast<std::size_t>(index)];
}

std::optional<liveBinding> liveApplication::bindingForKind(HWND handle, std::int32_t kind)
{
    std::lock_guard<std::mutex> guard(bindingsLock);
    const int index = findLocked(handle, kind, 0, false);
    if (index < 0)
        return std::nullopt;
    return bindings[static_cast<std::size_t>(index)];
}

std::vector<liveBinding> liveApplication::bindingsSnapshot()
{
    std::lock_guard<std::mutex> guard(bindingsLock);
    return bindings;
}

int initialize(liveApplication& application)
{
    if (!registerClass("liveFrame", static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH))))
        return 0;
    if (!registerClass("liveWindow", systemColourBrush(COLOR_SCROLLBAR)))
        return 0;
    application.onInit();
    return 1;
}
