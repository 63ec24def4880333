// The record of the message boxes MessageBoxA has shown, for tests and headless runs.
#pragma once

#include "platform/win32.h"

#include <string>
#include <vector>

namespace winlayer {

struct MessageBoxRecord {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
    DWORD threadId; // the thread that showed the box
    int answer;
};

// The message boxes shown so far, oldest first (the most recent 256 are kept).
std::vector<MessageBoxRecord> shownMessageBoxes();
void clearShownMessageBoxes();

} // namespace winlayer
