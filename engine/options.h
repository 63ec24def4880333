// The options: one table of their settings keys, defaults and menu entries.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>

enum class Option {
    Full,
    Strip,
    Copy,
    Apps,
    Pngs,
    Tifs,
    Jpgs,
    Gifs,
    Pdfs,
    HogSystem,
    KeepDates,
    Optimize
};

enum class OptionMenu { Options, Extensions };

struct OptionInfo {
    Option option;
    const char* key; // the settings file's member name
    bool defaultOn;
    OptionMenu menu;
    int menuPosition; // the menus show their items in this order, the Options menu's first
    const char* menuLabel;
    bool separatorBefore; // the menu shows a separator line above the item
    const char* flag;     // --FLAG turns it on for one headless run, --no-FLAG off
};

// Every option, in the order the settings file lists them and indexed by Option. A new option
// goes at the end, so a settings file written before it existed loads unchanged.
inline constexpr OptionInfo optionRows[] = {
    {Option::Full, "Full", true, OptionMenu::Options, 0, "&Full Compression", false, "full"},
    {Option::Strip, "Strip", true, OptionMenu::Options, 1, "Strip &MetaData", false, "strip"},
    {Option::Copy, "Copy", true, OptionMenu::Options, 2, "&Backup Originals", false, "backup"},
    {Option::Apps, "Apps", false, OptionMenu::Extensions, 11, "EXE / DLL", true, "exe"},
    {Option::Pngs, "Pngs", true, OptionMenu::Extensions, 6, "PNG", false, "png"},
    {Option::Tifs, "Tifs", true, OptionMenu::Extensions, 7, "TIFF / TIF", false, "tiff"},
    {Option::Jpgs, "Jpgs", true, OptionMenu::Extensions, 8, "JPEG / JPG", false, "jpeg"},
    {Option::Gifs, "Gifs", true, OptionMenu::Extensions, 9, "GIF", false, "gif"},
    {Option::Pdfs, "Pdfs", true, OptionMenu::Extensions, 10, "PDF", true, "pdf"},
    {Option::HogSystem, "HogSystem", false, OptionMenu::Options, 3, "Simultanious &Compressions",
     false, "simultaneous"},
    {Option::KeepDates, "KeepDates", false, OptionMenu::Options, 4, "Keep File &Dates", false,
     "keep-dates"},
    // Off by default: with it off every step and log line stays as it always was.
    {Option::Optimize, "Optimize", false, OptionMenu::Options, 5, "&Optimize JPEG, GIF && PDF",
     false, "optimize"},
};

inline constexpr std::size_t optionCount = std::size(optionRows);

// Every option in the order the settings file lists them.
const std::array<OptionInfo, optionCount>& optionTable();

// Every option in the order its menu shows it (the Options menu's first, then the Extensions).
const std::array<OptionInfo, optionCount>& optionsInMenuOrder();

// The options' values at one moment: what a job started with.
struct OptionValues {
    // Every option at its default.
    OptionValues();

    bool& operator[](Option option) { return values[static_cast<std::size_t>(option)]; }
    bool operator[](Option option) const { return values[static_cast<std::size_t>(option)]; }
    bool operator==(const OptionValues&) const = default;

    std::array<bool, optionCount> values;
};

// Live values of the options. Written by the menu and by loading the settings; read by the
// engine at the moment a step needs one, so a change made during a job takes effect at the next
// read.
struct OptionFlags {
    OptionFlags() { assign(OptionValues()); }

    std::atomic<bool>& operator[](Option option) { return flags[static_cast<std::size_t>(option)]; }
    const std::atomic<bool>& operator[](Option option) const
    {
        return flags[static_cast<std::size_t>(option)];
    }

    // Puts every flag back to its default.
    void resetToDefaults() { assign(OptionValues()); }
    void assign(const OptionValues& values);
    OptionValues snapshot() const;

private:
    std::array<std::atomic<bool>, optionCount> flags;
};
