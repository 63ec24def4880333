#include "app/window/program_main.h"

#include <cstdio>

#include "app/arguments.h"
#include "app/command_line.h"
#include "app/headless_main.h"
#include "app/window/display_session.h"
#include "app/window/my_app.h"
#include "app/window/my_frame.h"
#include "app/window/standard_streams.h"
#include "toolkit/workers.h"

namespace {

// The program's one application object, made before the entry point runs.
MyApp application;

} // namespace

int interactiveMain(liveApplication& app, const std::vector<std::string>& openPaths)
{
    // Only a run with a window touches the display at all.
    if (!openDisplay())
        return 1;

    setModuleInstance(GetModuleHandleA(nullptr));
    if (!initialize(app) || !app.getMainWindow()) {
        std::fputs("tarnwick: the main window could not be created\n", stderr);
        closeDisplay();
        return 1;
    }
    app.showMainWindow();
    // Each path is queued as a drop of its own: a drop's job compresses only its first path.
    if (auto* frame = dynamic_cast<MyFrame*>(app.getMainWindow()))
        for (const std::string& path : openPaths)
            dropQueue().post([frame, path] { compressDroppedPaths(frame, {path}); });
    // Returns once the window is gone and every queued drop and command has ended; the frame is
    // deleted (saving the settings) only after that.
    app.run();

    closeDisplay();
    return 0;
}

int programMain(const std::vector<std::string>& arguments)
{
    const CommandLine command = parseCommandLine(arguments);
    // Made absolute now: the window makes the program's folder the current one.
    if (command.mode == ProgramMode::Window)
        return interactiveMain(application, absolutePaths(command.paths));
    useParentConsole();
    return headlessMain(command);
}
