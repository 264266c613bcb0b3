// The settings file "conf" next to the program.
#ifndef TALLISK_SETTINGS_H
#define TALLISK_SETTINGS_H

// Restores the current calculator file and the window's place and size, or
// puts the window into the New state. True when it moved the window to a
// stored place.
bool LoadSettings();
// Writes "conf" when settingsDirty is set.
void SaveSettings();

#endif
