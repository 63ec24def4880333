// The options: one table for their settings keys, defaults and menu entries.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>

enum class Option { Full, Strip, Copy, Apps, Pngs, Tifs, Jpgs, Gifs, Pdfs, HogSystem, KeepDates };

constexpr std::size_t optionCount = 11;

enum class OptionMenu { Options, Extensions };

struct OptionInfo {
    Option option;
    const char* key; // the settings file's member name
    bool defaultOn;
    OptionMenu menu;
    const char* menuLabel;
    bool separatorBefore; // the menu shows a separator line above the item
};

// Every option in the order the settings file lists them.
const std::array<OptionInfo, optionCount>& optionTable();

// Every option in the order its menu shows it (the Options menu's first, then the Extensions).
const std::array<OptionInfo, optionCount>& optionsInMenuOrder();

// Live values of the ten options. Written by the menu and by loading the settings; read by the
// engine at the moment a step needs one, so a change made during a job takes effect at the next
// read.
struct OptionFlags {
    OptionFlags() { resetToDefaults(); }

    std::atomic<bool>& operator[](Option option) { return flags[static_cast<std::size_t>(option)]; }
    const std::atomic<bool>& operator[](Option option) const
    {
        return flags[static_cast<std::size_t>(option)];
    }

    // Puts every flag back to its default.
    void resetToDefaults();

    // Indexed by Option; public so the process-wide named flags can be bound to them statically.
    std::array<std::atomic<bool>, optionCount> flags;
};
