#include "app/window/my_frame.h"

#include "app/job_requests.h"
#include "app/settings.h"
#include "app/window/frame_surfaces.h"
#include "engine/compression_job.h"

#include <array>
#include <utility>

namespace {

MyFrame* mainFrame()
{
    liveApplication* application = currentApplication();
    return application ? dynamic_cast<MyFrame*>(application->getMainWindow()) : nullptr;
}

template <Option option> void toggle()
{
    if (MyFrame* frame = mainFrame()) {
        std::atomic<bool>& flag = frame->engine.options[option];
        flag = !flag;
    }
}

// A menu callback takes no arguments, so each option gets its own instance of toggle.
template <std::size_t... index>
constexpr std::array<liveCallback, optionCount> makeToggles(std::index_sequence<index...>)
{
    return {&toggle<static_cast<Option>(index)>...};
}

constexpr std::array<liveCallback, optionCount> toggles =
    makeToggles(std::make_index_sequence<optionCount>());

liveCallback toggleOf(Option option)
{
    return toggles[static_cast<std::size_t>(option)];
}

void stopCompression()
{
    if (MyFrame* frame = mainFrame())
        frame->engine.requestStop();
}

// Leaving does not wait for a long tool: it is ended and its step undone. The drops queued
// behind it go first, or the next one could start in the moment before the window closes.
void exitProgram()
{
    if (MyFrame* frame = mainFrame()) {
        dropQueue().discardPending();
        endJob(frame->engine);
        frame->close();
    }
}

void showInstructions()
{
    liveMessageBox(instructionsText(), "Instructions", 0);
}

void showAbout()
{
    liveMessageBox(aboutText(), "About Tarnwick", 0);
}

} // namespace

const char* instructionsText()
{
    return "Drag a file or folder into the Tarnwick window, if it's a file, it will be compressed, "
           "if it's a "
           "folder, it will iterate through all files including subdirectories and compress any "
           "image that it "
           "comes across.\n\nFull Compression -  uses over 300 optimization techniques, where as "
           "if this option "
           "was turned off, it only tries the 8 most common ones.\n\nMetaData - takes out any data "
           "that is not "
           "used by the image, this include previews, date creation tags, geotags...  This can "
           "make the image "
           "much much smaller.\n\nBackup Originals - creates a folder with all of the original "
           "unmodified "
           "images, in case something goes wrong.\n\nSimultanious Compressions - Compresses "
           "multiple files at "
           "the same time to make iterating through folders much faster.  This will bog your "
           "computer down as "
           "it takes all of your systems resources.";
}

const char* aboutText()
{
    return "Tarnwick 6.1\nWritten by: "
           "Halvorix\n\nexiftool\nlibcurl\npngcrush\noptipng\npngout\nupx";
}

void endJob(EngineState& state)
{
    state.running = false;
    if (state.jobActive)
        state.abortTools = true;
}

void compressDroppedPaths(liveWindow* window, const std::vector<std::string>& paths)
{
    MyFrame& frame = *static_cast<MyFrame*>(window);
    FrameSurfaces surfaces(frame);
    runProgramJob(surfaces, frame.engine, dropRequest(paths, frame.engine.options.snapshot()));
}

MyFrame::MyFrame(const std::string& title, int x, int y, int width, int height)
    : liveFrame(title, x, y, width, height)
{
    // The tools are started by bare name, and the interpreter looks in the current folder first.
    SetCurrentDirectoryA(programFolder().c_str());
    engine.options.assign(loadSettings());

    bar = new liveMenuBar;
    optionsMenu = bar->addMenu("&Options");
    extensionsMenu = bar->addMenu("&Extensions");
    helpMenu = bar->addMenu("&Help");
    auto addOptions = [this](OptionMenu which, liveMenu* menu) {
        const OptionFlags& flags = engine.options;
        for (const OptionInfo& option : optionsInMenuOrder()) {
            if (option.menu != which)
                continue;
            if (option.separatorBefore)
                menu->addSeparator();
            checkItemIds.push_back(
                menu->addCheckItem(toggleOf(option.option), option.menuLabel, flags[option.option])
                    ->id);
        }
    };
    addOptions(OptionMenu::Options, optionsMenu);
    optionsMenu->addSeparator();
    optionsMenu->addItem(stopCompression, "&Stop Compression");
    optionsMenu->addItem(exitProgram, "E&xit");
    addOptions(OptionMenu::Extensions, extensionsMenu);
    helpMenu->addItem(showInstructions, "&Instructions");
    helpMenu->addItem(showAbout, "&About");
    setMenuBar(bar);

    createStatusBar(2);
    logPane = new liveMultilineTextCtrl(this, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                        CW_USEDEFAULT, "", logPaneStyle);
    addLayoutItem(logPane, layoutFill);

    bindDrop(compressDroppedPaths);
}

MyFrame::~MyFrame()
{
    saveSettings(engine.options.snapshot());
}
