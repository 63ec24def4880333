#include "app/window/program_main.h"

#include <algorithm>
#include <cstdio>

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

bool isBlank(const std::string& argument)
{
    return std::all_of(argument.begin(), argument.end(),
                       [](char c) { return c == ' ' || c == '\t'; });
}

} // namespace

int interactiveMain(liveApplication& app)
{
    return interactiveMain(app, {});
}

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
    if (std::all_of(arguments.begin(), arguments.end(), isBlank))
        return interactiveMain(application);
    if (arguments.front() == "--open") {
        // Made absolute now: the window makes the program's folder the current one.
        std::vector<std::string> paths;
        for (auto it = arguments.begin() + 1; it != arguments.end(); ++it)
            if (!isBlank(*it))
                paths.push_back(*it);
        return interactiveMain(application, absolutePaths(paths));
    }
    useParentConsole();
    return headlessMain(arguments);
}
