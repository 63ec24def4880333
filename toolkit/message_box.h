// Constructing a liveMessageBox shows a message box owned by the main window and returns when it
// is closed; the answer is not kept.
#pragma once

#include <string>

#include "platform/win32.h"

class liveMessageBox {
public:
    // Caption "Alert!".
    liveMessageBox(const char* text, UINT type);
    liveMessageBox(const std::string& text, const std::string& caption, UINT type);
    // Caption "Alert!".
    liveMessageBox(const std::string& text, UINT type);
};
