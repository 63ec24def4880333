// The one window procedure of the toolkit's window classes, and the work it hands to the command
// and drop threads.
#pragma once

#include "platform/win32.h"

LRESULT CALLBACK liveWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
