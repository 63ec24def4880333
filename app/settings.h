// The settings file: the ten option flags as one compact JSON object in
// programFolder() + "/Tarnwick.config".
#pragma once

#include <string>

// The folder of the program's own file (everything before the last "/"), without a trailing
// separator; the whole path when it holds no "/". Cached after the first call.
std::string programFolder();

// The settings file of this program: programFolder() + "/Tarnwick.config"; empty when the
// program's own path cannot be found (loading then keeps the defaults, saving writes nothing).
std::string settingsFilePath();

// Reads the settings file, if any, into the option flags; keys missing from it keep their
// defaults. A file the parser rejects is deleted and the defaults apply.
void loadSettings();
void loadSettingsFrom(const std::string& path);

// Writes all ten flags to the settings file in compact form. The new text goes to a temporary
// file first and is renamed over the old one, so a crash never leaves a half-written file.
// False when the file could not be written (the old one is then left as it was).
bool saveSettings();
bool saveSettingsTo(const std::string& path);

// The compact text saveSettings writes for the current flags.
std::string settingsText();
