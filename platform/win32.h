// The Win32 subset Tarnwick is written against. On Windows this is the SDK itself; elsewhere the
// declarations below are implemented by platform/posix with the same names, types and contracts.
// What the window layer adds of its own is not here but in platform/winlayer/.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>
#else
#include "platform/win32/base.h"
#include "platform/win32/process.h"
#include "platform/win32/window.h"
#endif
