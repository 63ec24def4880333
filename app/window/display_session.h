// The display a window run shows its windows on, chosen per platform by the build.
#pragma once

// Opens the display and hands it to the window layer; false (with the reason on standard error)
// when there is none. closeDisplay takes it back once every window is gone.
bool openDisplay();
void closeDisplay();
