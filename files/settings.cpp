// Interim: every start is a first start until the settings file lands.
#include "files/settings.h"
#include "builder/filecommands.h"

void LoadSettings() { NewCalculator(); }
void SaveSettings() {}
