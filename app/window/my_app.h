// MyApp: the program's application object; its onInit creates the main window.
#pragma once

#include "toolkit/application.h"

class MyApp : public liveApplication {
public:
    // Creates MyFrame "Tarnwick 6.1" at 200,100, 600 x 600, hidden, as the main window.
    void onInit() override;
    // The window is gone: the running job starts no further file. The running step ends as it
    // would, so a closed window loses no work already under way.
    void onLoopEnded() override;
};
