// The settings file "conf" next to the program.
#ifndef TALLISK_SETTINGS_H
#define TALLISK_SETTINGS_H

// Restores the current calculator file and the window's place and size, or
// puts the window into the New state. True when it moved the window to a
// stored place.
bool LoadSettings();
// Writes "conf" when settingsDirty is set. Both writes replace the file whole
// or leave the old one as it was.
void SaveSettings();
// Writes "conf" now, whatever settingsDirty says: the current file changed,
// and a run that ends without closing its window must still start again with
// the file its kept texts belong to.
void KeepCurrentFileInSettings();
// Set once that write's failure was said: later ones of the run are silent,
// and the close says it again if it still fails.
extern bool currentFileFailureShown;

#endif
