// The settings file: the option flags as one compact JSON object in Tarnwick.config next to
// the program when its folder is writable (portable use), else in the user's config folder.
#pragma once

#include <cstddef>
#include <string>

#include "engine/options.h"

// The folder of the program's own file (everything before the last separator), without a
// trailing separator; the whole path when it holds none. Cached after the first call.
std::string programFolder();

// $XDG_CONFIG_HOME/tarnwick when XDG_CONFIG_HOME is absolute, else $HOME/.config/tarnwick;
// empty when neither is set to an absolute path. On Windows %APPDATA%\tarnwick.
std::string userSettingsFolder();

// The settings file of a program in folder: folder + "/Tarnwick.config" for a portable copy (a
// writable folder that is not a system folder, see isPortableFolder), else
// userSettingsFolder() + "/Tarnwick.config"; empty when neither is known (loading then keeps the
// defaults, saving writes nothing).
std::string settingsFileFor(const std::string& folder);

// settingsFileFor(programFolder()).
std::string settingsFilePath();

// The largest settings file that is read; a larger one is left alone and the defaults apply.
constexpr std::size_t settingsSizeLimit = 64 * 1024;

// The options the settings file holds; keys missing from it keep the value they have in
// options (by default, their defaults). A file the parser rejects is deleted and changes no
// option. Anything but a regular file of at most settingsSizeLimit bytes is not read (nor
// deleted).
OptionValues loadSettings();
OptionValues loadSettingsFrom(const std::string& path, OptionValues options = OptionValues());

// Writes every option to the settings file (saveSettings creates its folder) in compact form. The
// new text goes to a temporary file first and is renamed over the old one, so a crash never leaves
// a half-written file. False when the file could not be written (the old one is then left as it
// was); the failure is said on standard error: "tarnwick: cannot save settings to PATH: REASON".
bool saveSettings(const OptionValues& options);
bool saveSettingsTo(const std::string& path, const OptionValues& options);
// saveSettingsTo after creating the file's folder (and its parents) when missing.
bool saveSettingsCreatingFolder(const std::string& path, const OptionValues& options);

// The compact text saveSettings writes for these options.
std::string settingsText(const OptionValues& options);
