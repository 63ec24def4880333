#include "app/window/my_app.h"

#include "app/window/my_frame.h"

void MyApp::onInit()
{
    mainWindow = new MyFrame("Tarnwick 6.1", 200, 100, 600, 600);
}

void MyApp::onLoopEnded()
{
    if (auto* frame = dynamic_cast<MyFrame*>(getMainWindow()))
        frame->engine.running = false;
}
