#include "app/window/my_app.h"

#include "app/window/my_frame.h"

void MyApp::onInit()
{
    mainWindow = new MyFrame("Tarnwick 6.1", 200, 100, 600, 600);
}
