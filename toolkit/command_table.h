// The process-wide command table: every menu item and button, indexed by identifier - 1024, with
// the callback it runs and the dispatcher that runs it.
#pragma once

#include <cstdint>

#include "platform/win32.h"

class Thread;

using liveCallback = void (*)();
using liveDispatcher = void (*)(std::uint32_t index);

inline constexpr std::uint32_t firstCommandId = 1024;

// The record of one menu item; owned by the command table until the program ends.
struct liveMenuItem {
    std::uint32_t id = 0;
    std::uint32_t groupFirst = 0;
    // One beyond the group's last identifier, set when the group is closed.
    std::uint32_t groupLast = 0;
    HMENU menu = nullptr;
    Thread* itemThread = nullptr;
};

// Appends an entry (the table takes record, which may be null) and returns its identifier.
std::uint32_t registerCommand(liveCallback callback, liveDispatcher dispatcher,
                              liveMenuItem* record);
// The identifier the next registration gets.
std::uint32_t nextCommandId();
void setItemCallback(liveMenuItem* item, liveCallback callback);
void setCommandCallback(std::uint32_t identifier, liveCallback callback);
void beginRadioGroup();
// The identifier where the open radio group began.
std::uint32_t radioGroupStart();
void endRadioGroup();

// Runs the command with that identifier through its dispatcher; unknown identifiers are ignored.
void runCommand(std::uint32_t identifier);

// The dispatchers; each takes the table index (identifier - 1024).
void plainDispatcher(std::uint32_t index);
void checkDispatcher(std::uint32_t index);
void radioDispatcher(std::uint32_t index);
void buttonDispatcher(std::uint32_t index);
