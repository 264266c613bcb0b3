// Loads and saves "conf" next to the program: which calculator file was
// current, and where the main window stood and how large it was.
#include "files/settings.h"

#include <cstdio>

#include "builder/filecommands.h"
#include "builder/wholefile.h"
#include "files/progfiles.h"
#include "files/settingsformat.h"
#include "ui/layout.h"
#include "ui/resource.h"
#include "ui/winmain.h"

bool currentFileFailureShown;

static void ShowSettingsMessage(HWND owner, UINT textId)
{
    ShowStringMessage(owner, programInstance, IDS_ERROR_TITLE, textId, 0);
}

// Sizes are stored relative to the minimum; a damaged file must not make the
// sum overflow, so it wraps as the 32-bit window calls would see it.
static int AddWrapping(int a, int b)
{
    return (int)((unsigned int)a + (unsigned int)b);
}

bool LoadSettings()
{
    char path[programFilePathSize];
    FILE* file = GetProgramFilePath(path, "conf") ? fopen(path, "rb") : NULL;
    if (!file) {
        NewCalculator();
        return false;
    }
    int untitled = 0;
    SettingsPlace place;
    SettingsField failed = ReadSettingsHead(file, currentFileName, currentFolder, &untitled);
    if (failed == settingsOk) {
        isUntitled = untitled;
        if (untitled) {
            NewCalculator();
        } else {
            char currentPath[260];
            ComposeCurrentPath(currentPath);
        }
        failed = ReadSettingsPlace(file, &place);
    }
    if (failed == settingsOk) {
        MoveWindow(mainWindow, place.left, place.top, AddWrapping(place.extraWidth, MainLayout.minWidth),
            AddWrapping(place.extraHeight, MainLayout.minHeight), FALSE);
    } else {
        ShowSettingsMessage(NULL, IDS_CONF_READ_FAILED);
        NewCalculator();
    }
    fclose(file);
    return failed == settingsOk;
}

// The whole file as the window stands now: the position from the window
// itself, the size the controls were last fitted to.
static bool WriteSettings(FILE* file, void* context)
{
    RECT outer;
    GetWindowRect(mainWindow, &outer);
    SettingsPlace place = {outer.left, outer.top, MainLayout.appliedWidth - MainLayout.minWidth,
        MainLayout.appliedHeight - MainLayout.minHeight};
    SettingsField* failed = static_cast<SettingsField*>(context);
    *failed = WriteSettingsFile(file, currentFileName, currentFolder, isUntitled, &place);
    return *failed == settingsOk;
}

// Replaces conf whole, or leaves the old one; false when it failed.
static bool WriteSettingsInPlace(bool showFailure)
{
    SettingsField failed = settingsOk;
    char path[programFilePathSize];
    if (GetProgramFilePath(path, "conf") && WriteFileWhole(path, WriteSettings, &failed) == fileWritten)
        return true;
    if (!showFailure)
        return false;
    if (failed == settingsUntitled)
        ShowSettingsMessage(mainWindow, IDS_WRITE_FAILED);
    else
        ShowSettingsMessage(NULL, IDS_CONF_WRITE_FAILED);
    return false;
}

void SaveSettings()
{
    if (settingsDirty)
        WriteSettingsInPlace(true);
}

void KeepCurrentFileInSettings()
{
    if (!WriteSettingsInPlace(!currentFileFailureShown))
        currentFileFailureShown = true;
}
