// Runs the program's own window (MyApp, MyFrame and the GTK display) inside the test program,
// on its main thread, under a private X server, while a script on another thread acts like a
// user and looks at both the layer's state and what GTK shows.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/window/my_frame.h"
#include "gui/xdotool.h"
#include "platform/gtk/gtk_display.h"
#include "platform/winlayer/drops.h"
#include "platform/winlayer/message_box_records.h"
#include "platform/winlayer/state_queries.h"
#include "platform/winlayer/waits.h"

namespace guitest {

class WindowSession {
public:
    // Opens the display on first use (one X server and one GTK per test program).
    static gtkdisplay::GtkDisplay* display();
    static std::string displayName();

    // Creates the main window, shows it, starts script on a thread of its own and runs the
    // message loop here until the window is closed (the session closes it after the script if
    // the script did not). Returns after the frame has been deleted.
    void run(const std::function<void(WindowSession&)>& script);

    // Runs fn on the interface thread and waits for it.
    void onUi(const std::function<void()>& fn);

    MyFrame& frame() { return *mainFrame; }
    // The X window of the frame, once it is visible; 0 if it does not appear.
    unsigned long xWindow();
    // Focuses the frame and types the keys (xdotool names) one after another, each once the
    // previous one has had its effect on the menus.
    void keys(const std::vector<std::string>& sequence);
    // xdotool against this program's X server.
    static XDoTool xdo();
    // Asks the frame to close (WM_CLOSE).
    void close();

    // Sessions run so far in this program, this one included.
    static int sessionCount();

private:
    MyFrame* mainFrame = nullptr;
};

} // namespace guitest
