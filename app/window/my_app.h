// MyApp: the program's application object; its onInit creates the main window.
#pragma once

#include "toolkit/application.h"

class MyApp : public liveApplication {
public:
    // Creates MyFrame "Tarnwick 6.1" at 200,100, 600 x 600, hidden, as the main window.
    void onInit() override;
};
