// The toolkit alone on Windows, for the window test: a frame with a menu bar, a status bar and a
// log pane. Choosing the check item writes to the log; when the window has closed, the item's mark
// and how often its callback ran go to toolkit-window.txt next to the program.
#include <atomic>
#include <fstream>
#include <string>

#include "toolkit/toolkit.h"

namespace {

std::atomic<int> toggles{0};
std::atomic<bool> checked{false};
liveMenuItem* checkItem = nullptr;
liveMultilineTextCtrl* logPane = nullptr;

// Runs on the command thread, after the check dispatcher has flipped the mark.
void toggle()
{
    checked = GetMenuState(checkItem->menu, checkItem->id, MF_BYCOMMAND) & MF_CHECKED;
    ++toggles;
    logPane->append("toggled " + std::to_string(toggles.load()) + "\r\n");
}

std::string programFolder()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

class ToolkitWindow : public liveApplication {
public:
    void onInit() override
    {
        liveFrame* frame = createFrame("Toolkit window", 200, 100, 400, 300);
        auto* bar = new liveMenuBar;
        liveMenu* options = bar->addMenu("&Options");
        options->addItem(nullptr, "&Nothing");
        checkItem = options->addCheckItem(toggle, "&Toggle", false);
        options->addSeparator();
        options->addItem([] { currentApplication()->getMainWindow()->close(); }, "E&xit");
        frame->setMenuBar(bar);
        frame->createStatusBar(2);
        SendMessageA(frame->statusBar->handle, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>("status"));
        logPane = new liveMultilineTextCtrl(frame, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                            CW_USEDEFAULT, "", 0x10A018C4);
        frame->addLayoutItem(logPane, layoutFill);
    }

    // The frame and its menus are gone by now: the mark is the one the callback last saw.
    void onExit() override
    {
        std::ofstream out(programFolder() + "toolkit-window.txt", std::ios::binary);
        out << "checked=" << (checked ? 1 : 0) << " toggles=" << toggles.load() << "\n";
    }
};

ToolkitWindow application;

} // namespace

int main()
{
    setModuleInstance(GetModuleHandleA(nullptr));
    if (!initialize(application))
        return 1;
    application.showMainWindow();
    application.run();
    return 0;
}
